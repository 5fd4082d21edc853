<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en">
<context>
    <name>TMessageBox</name>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>确定</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Pellow Game Assistant</source>
        <translation>Pellow手游助手</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>残忍离开</translation>
    </message>
    <message>
        <source>Confirm to Exit?</source>
        <translation>八十一道劫难未破，施主你忍心离开我们吗？</translation>
    </message>
    <message>
        <source>Engine COM Communication Failed</source>
        <translation>白龙马太累了，歇息一下重新上路就好了。</translation>
    </message>
    <message>
        <source>Engine Location Not Found</source>
        <translation>数据被破坏了，重新安装也许可以解决问题！</translation>
    </message>
    <message>
        <source>Engine Not Initialized</source>
        <translation>集体病倒了，试试重新安装让我们从头来过？</translation>
    </message>
    <message>
        <source>Engine Start Failed
Try restart Application.</source>
        <translation>白龙马太累了，歇息一下重新上路就好了。</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>安装失败</translation>
    </message>
    <message>
        <source>Failed to record screen</source>
        <translation>录像功能消极怠工了，歇一会也许就好！</translation>
    </message>
    <message>
        <source>Install Begin</source>
        <translation>开始安装</translation>
    </message>
    <message>
        <source>Installed</source>
        <translation>安装完成</translation>
    </message>
    <message>
        <source>Machine Not Found</source>
        <translation>数据被破坏了，重新安装也许可以解决问题！</translation>
    </message>
    <message>
        <source>Machine Start Failed</source>
        <translation>数据被破坏了，重新安装也许可以解决问题！</translation>
    </message>
    <message>
        <source>Only APK files are installed; skipped:</source>
        <translation>只能安装APK文件，已跳过：</translation>
    </message>
    <message>
        <source>Open Engine Editor Failed</source>
        <translation>召唤金手指功能失败，重新启动平台试试看</translation>
    </message>
    <message>
        <source>Out of memory</source>
        <translation>内存不足</translation>
    </message>
    <message>
        <source>Release to Install</source>
        <translation>松开即可安装</translation>
    </message>
    <message>
        <source>Save to</source>
        <translation>已保存至</translation>
    </message>
    <message>
        <source>Screen Capture Error</source>
        <translation>截图失败</translation>
    </message>
    <message>
        <source>Android Stopped</source>
        <translation>安卓系统已停止</translation>
    </message>
    <message>
        <source>Close the player and start it again</source>
        <translation>请关闭播放器后重新启动</translation>
    </message>
    <message>
        <source>Screen Captured</source>
        <translation>截图完成，文件保存在你设置的目录中(默认保存在桌面)</translation>
    </message>
    <message>
        <source>Screen Failed</source>
        <translation>录像功能消极怠工了，歇一会也许就好！</translation>
    </message>
    <message>
        <source>Screen Recorded</source>
        <translation>屏幕录像完成，文件保存在你设置的目录中(默认保存在桌面)</translation>
    </message>
    <message>
        <source>Stay</source>
        <translation>留下算了</translation>
    </message>
    <message>
        <source>System Not Ready</source>
        <translation>施主别着急，等等我</translation>
    </message>
    <message>
        <source>System not Ready</source>
        <translation>施主别着急，等等我</translation>
    </message>
    <message>
        <source>The video encoder is missing or damaged: reinstall the player to record.</source>
        <translation>录像组件缺失或已损坏，重新安装后即可录像。</translation>
    </message>
    <message>
        <source>Unknown Error</source>
        <translation>未知错误</translation>
    </message>
    <message>
        <source>:/resources/image/splash_bg.png</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>:/resources/image/splash_fg.png</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>:/resources/text/splashHelps.txt</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>GuestStartWatch</name>
    <message>
        <source>Android did not start:</source>
        <translation>安卓系统未能启动：</translation>
    </message>
    <message>
        <source>no guest agent connected</source>
        <translation>没有任何客户机代理连接</translation>
    </message>
    <message>
        <source>the display&apos;s renderer did not connect</source>
        <translation>显示渲染器未连接</translation>
    </message>
    <message>
        <source>the guest did not report ready</source>
        <translation>客户机未报告就绪</translation>
    </message>
</context>
<context>
    <name>LaunchProcess</name>
    <message>
        <source>The data disk %1 is missing or is not a readable VDI image.</source>
        <translation>数据盘 %1 缺失或不是可读取的 VDI 映像。</translation>
    </message>
</context>
<context>
    <name>MapDialog</name>
    <message>
        <source>Choose Location</source>
        <translation>选择想要模拟的位置</translation>
    </message>
    <message>
        <source>The map tiles cannot be reached. A click still picks the place under it.</source>
        <translation>无法加载地图，点击地图仍可选择该位置。</translation>
    </message>
</context>
<context>
    <name>SettingsDialog</name>
    <message>
        <source>Pellow Game Assistant</source>
        <translation>Pellow手游助手</translation>
    </message>
    <message>
        <source>About</source>
        <translation>关于</translation>
    </message>
    <message>
        <source>Boss Key</source>
        <translation>老板键</translation>
    </message>
    <message>
        <source>CPU</source>
        <translation>CPU</translation>
    </message>
    <message>
        <source>CPU count should be Integer, greater than 0 and less than your computer counts?</source>
        <translation>CPU数量必须为整数，数字要大于0且小于您计算机的CPU核心数量</translation>
    </message>
    <message>
        <source>Choose</source>
        <translation>选择</translation>
    </message>
    <message>
        <source>Choose setting fits your computer</source>
        <translation>根据您电脑的配置选择合适的设置</translation>
    </message>
    <message>
        <source>Confirm to Restore to Default?</source>
        <translation>确定要恢复到默认？</translation>
    </message>
    <message>
        <source>Custom</source>
        <translation>自定义</translation>
    </message>
    <message>
        <source>DPI</source>
        <translation>DPI</translation>
    </message>
    <message>
        <source>DPI should between 150 and 480</source>
        <translation>DPI应该在150和480之间,分辨率重启生效</translation>
    </message>
    <message>
        <source>Generate</source>
        <translation>生成</translation>
    </message>
    <message>
        <source>Graphics</source>
        <translation>显示</translation>
    </message>
    <message>
        <source>High</source>
        <translation>高</translation>
    </message>
    <message>
        <source>Hight</source>
        <translation>高</translation>
    </message>
    <message>
        <source>IMEI</source>
        <translation>IMEI</translation>
    </message>
    <message>
        <source>Low</source>
        <translation>低</translation>
    </message>
    <message>
        <source>Mb</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Medium</source>
        <translation>中</translation>
    </message>
    <message>
        <source>Memory</source>
        <translation>内存</translation>
    </message>
    <message>
        <source>Others</source>
        <translation>其他</translation>
    </message>
    <message>
        <source>Performance</source>
        <translation>性能</translation>
    </message>
    <message>
        <source>Phone Brand</source>
        <translation>品牌</translation>
    </message>
    <message>
        <source>Phone Model</source>
        <translation>型号</translation>
    </message>
    <message>
        <source>Phone Number</source>
        <translation>号码</translation>
    </message>
    <message>
        <source>Property</source>
        <translation>属性</translation>
    </message>
    <message>
        <source>Reboot me to load new configuration?</source>
        <translation>重新启动Pellow手游助手以便加载新的配置吗？</translation>
    </message>
    <message>
        <source>Resolution should smaller than your screen?</source>
        <translation>分辨率应小于您的屏幕！</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>恢复默认</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>Save Path</source>
        <translation>路径</translation>
    </message>
    <message>
        <source>Screen Capture</source>
        <translation>截图</translation>
    </message>
    <message>
        <source>Screen Record</source>
        <translation>录像</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>SettingsDialog</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>Shared Folder</source>
        <translation>共享文件夹</translation>
    </message>
    <message>
        <source>The desktop does not offer global shortcuts to this program.</source>
        <translation>桌面未向本程序提供全局快捷键。</translation>
    </message>
    <message>
        <source>TextLabel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Use Generate Button unless you are sure what you are doing.</source>
        <translation>以上配置，重启后生效</translation>
    </message>
    <message>
        <source>Width</source>
        <translation>宽</translation>
    </message>
    <message>
        <source>Corvane Interactive</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copyright (C) 2025 Corvane Interactive. All rights reserved.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;a href="https://www.corvane.example" style="color: rgb(158, 158, 158);"&gt;www.corvane.example&lt;/a&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Support: support@corvane.example</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Business: business@corvane.example</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ToolBarWidget</name>
    <message>
        <source>Engine</source>
        <translation>金手指开关，游戏中需要输入时请关闭</translation>
    </message>
    <message>
        <source>Help via QQ</source>
        <translation>通过QQ请求帮助</translation>
    </message>
    <message>
        <source>Keyboard</source>
        <translation>配置金手指</translation>
    </message>
    <message>
        <source>Loc</source>
        <translation>定位</translation>
    </message>
    <message>
        <source>Record</source>
        <translation>屏幕录像</translation>
    </message>
    <message>
        <source>Screen</source>
        <translation>截屏</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>Shake</source>
        <translation>摇一摇</translation>
    </message>
    <message>
        <source>The location picker is missing or damaged: reinstall the player to use it.</source>
        <translation>定位组件缺失或已损坏，重新安装后即可使用。</translation>
    </message>
</context>
</TS>
