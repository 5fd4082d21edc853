#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QTranslator>
#include <QXmlStreamReader>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Entry {
    const char *context;
    const char *source;
    const char *shown; // nullptr: left untranslated, the source text shows
};

// Every entry users can see, context by context.
const Entry kEntries[] = {
    {"TMessageBox", "Cancel", "取消"},
    {"TMessageBox", "Ok", "确定"},
    {"MainWindow", "Pellow Game Assistant", "Pellow手游助手"},
    {"MainWindow", "Close", "残忍离开"},
    {"MainWindow", "Confirm to Exit?", "八十一道劫难未破，施主你忍心离开我们吗？"},
    {"MainWindow", "Android Stopped", "安卓系统已停止"},
    {"MainWindow", "Close the player and start it again", "请关闭播放器后重新启动"},
    {"MainWindow", "Engine COM Communication Failed", "白龙马太累了，歇息一下重新上路就好了。"},
    {"MainWindow", "Engine Location Not Found", "数据被破坏了，重新安装也许可以解决问题！"},
    {"MainWindow", "Engine Not Initialized", "集体病倒了，试试重新安装让我们从头来过？"},
    {"MainWindow", "Engine Start Failed\nTry restart Application.", "白龙马太累了，歇息一下重新上路就好了。"},
    {"MainWindow", "Failed", "安装失败"},
    {"MainWindow", "Failed to record screen", "录像功能消极怠工了，歇一会也许就好！"},
    {"MainWindow", "Install Begin", "开始安装"},
    {"MainWindow", "Installed", "安装完成"},
    {"MainWindow", "Machine Not Found", "数据被破坏了，重新安装也许可以解决问题！"},
    {"MainWindow", "Machine Start Failed", "数据被破坏了，重新安装也许可以解决问题！"},
    {"MainWindow", "Only APK files are installed; skipped:", "只能安装APK文件，已跳过："},
    {"MainWindow", "Open Engine Editor Failed", "召唤金手指功能失败，重新启动平台试试看"},
    {"MainWindow", "Out of memory", "内存不足"},
    {"MainWindow", "Release to Install", "松开即可安装"},
    {"MainWindow", "Save to", "已保存至"},
    {"MainWindow", "Screen Capture Error", "截图失败"},
    {"MainWindow", "Screen Captured", "截图完成，文件保存在你设置的目录中(默认保存在桌面)"},
    {"MainWindow", "Screen Failed", "录像功能消极怠工了，歇一会也许就好！"},
    {"MainWindow", "Screen Recorded", "屏幕录像完成，文件保存在你设置的目录中(默认保存在桌面)"},
    {"MainWindow", "Stay", "留下算了"},
    {"MainWindow", "System Not Ready", "施主别着急，等等我"},
    {"MainWindow", "System not Ready", "施主别着急，等等我"},
    {"MainWindow", "The video encoder is missing or damaged: reinstall the player to record.",
     "录像组件缺失或已损坏，重新安装后即可录像。"},
    {"MainWindow", "Unknown Error", "未知错误"},
    {"GuestStartWatch", "Android did not start:", "安卓系统未能启动："},
    {"GuestStartWatch", "no guest agent connected", "没有任何客户机代理连接"},
    {"GuestStartWatch", "the display's renderer did not connect", "显示渲染器未连接"},
    {"GuestStartWatch", "the guest did not report ready", "客户机未报告就绪"},
    {"LaunchProcess", "The data disk %1 is missing or is not a readable VDI image.", "数据盘 %1 缺失或不是可读取的 VDI 映像。"},
    {"MapDialog", "Choose Location", "选择想要模拟的位置"},
    {"MapDialog", "The map tiles cannot be reached. A click still picks the place under it.", "无法加载地图，点击地图仍可选择该位置。"},
    {"SettingsDialog", "Pellow Game Assistant", "Pellow手游助手"},
    {"SettingsDialog", "About", "关于"},
    {"SettingsDialog", "Boss Key", "老板键"},
    {"SettingsDialog", "CPU", "CPU"},
    {"SettingsDialog", "CPU count should be Integer, greater than 0 and less than your computer counts?", "CPU数量必须为整数，数字要大于0且小于您计算机的CPU核心数量"},
    {"SettingsDialog", "Choose", "选择"},
    {"SettingsDialog", "Choose setting fits your computer", "根据您电脑的配置选择合适的设置"},
    {"SettingsDialog", "Confirm to Restore to Default?", "确定要恢复到默认？"},
    {"SettingsDialog", "Custom", "自定义"},
    {"SettingsDialog", "DPI", "DPI"},
    {"SettingsDialog", "DPI should between 150 and 480", "DPI应该在150和480之间,分辨率重启生效"},
    {"SettingsDialog", "Generate", "生成"},
    {"SettingsDialog", "Graphics", "显示"},
    {"SettingsDialog", "High", "高"},
    {"SettingsDialog", "Hight", "高"},
    {"SettingsDialog", "IMEI", "IMEI"},
    {"SettingsDialog", "Low", "低"},
    {"SettingsDialog", "Mb", nullptr},
    {"SettingsDialog", "Medium", "中"},
    {"SettingsDialog", "Memory", "内存"},
    {"SettingsDialog", "Others", "其他"},
    {"SettingsDialog", "Performance", "性能"},
    {"SettingsDialog", "Phone Brand", "品牌"},
    {"SettingsDialog", "Phone Model", "型号"},
    {"SettingsDialog", "Phone Number", "号码"},
    {"SettingsDialog", "Property", "属性"},
    {"SettingsDialog", "Reboot me to load new configuration?", "重新启动Pellow手游助手以便加载新的配置吗？"},
    {"SettingsDialog", "Resolution should smaller than your screen?", "分辨率应小于您的屏幕！"},
    {"SettingsDialog", "Restore", "恢复默认"},
    {"SettingsDialog", "Save", "保存"},
    {"SettingsDialog", "Save Path", "路径"},
    {"SettingsDialog", "Screen Capture", "截图"},
    {"SettingsDialog", "Screen Record", "录像"},
    {"SettingsDialog", "Settings", "设置"},
    {"SettingsDialog", "SettingsDialog", "设置"},
    {"SettingsDialog", "Shared Folder", "共享文件夹"},
    {"SettingsDialog", "The desktop does not offer global shortcuts to this program.", "桌面未向本程序提供全局快捷键。"},
    {"SettingsDialog", "TextLabel", nullptr},
    {"SettingsDialog", "Use Generate Button unless you are sure what you are doing.", "以上配置，重启后生效"},
    {"SettingsDialog", "Width", "宽"},
    {"ToolBarWidget", "Engine", "金手指开关，游戏中需要输入时请关闭"},
    {"ToolBarWidget", "Help via QQ", "通过QQ请求帮助"},
    {"ToolBarWidget", "Keyboard", "配置金手指"},
    {"ToolBarWidget", "Loc", "定位"},
    {"ToolBarWidget", "Record", "屏幕录像"},
    {"ToolBarWidget", "Screen", "截屏"},
    {"ToolBarWidget", "Settings", "设置"},
    {"ToolBarWidget", "Shake", "摇一摇"},
    {"ToolBarWidget", "The location picker is missing or damaged: reinstall the player to use it.",
     "定位组件缺失或已损坏，重新安装后即可使用。"},
};

// Entries the catalogue holds untranslated: the built-in splash paths and the
// About page's lines naming the maker.
const Entry kUntranslatedExtras[] = {
    {"MainWindow", ":/resources/image/splash_bg.png", nullptr},
    {"MainWindow", ":/resources/image/splash_fg.png", nullptr},
    {"MainWindow", ":/resources/text/splashHelps.txt", nullptr},
    {"SettingsDialog", "Corvane Interactive", nullptr},
    {"SettingsDialog", "Copyright (C) 2025 Corvane Interactive. All rights reserved.", nullptr},
    {"SettingsDialog",
     "<a href=\"https://www.corvane.example\" style=\"color: rgb(158, 158, 158);\">www.corvane.example</a>",
     nullptr},
    {"SettingsDialog", "Support: support@corvane.example", nullptr},
    {"SettingsDialog", "Business: business@corvane.example", nullptr},
};

class Catalogue : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_translator = std::make_unique<QTranslator>();
        ASSERT_TRUE(s_translator->load(QStringLiteral(":/lang/zh_CN.qm")));
        QCoreApplication::installTranslator(s_translator.get());
    }

    static void TearDownTestSuite()
    {
        QCoreApplication::removeTranslator(s_translator.get());
        s_translator.reset();
    }

    static std::unique_ptr<QTranslator> s_translator;
};

std::unique_ptr<QTranslator> Catalogue::s_translator;

TEST_F(Catalogue, ShowsEveryEntryInItsContext)
{
    for (const Entry &entry : kEntries) {
        const QString expected = QString::fromUtf8(entry.shown ? entry.shown : entry.source);
        EXPECT_EQ(QCoreApplication::translate(entry.context, entry.source).toStdString(), expected.toStdString())
            << entry.context << " / " << entry.source;
    }
}

TEST_F(Catalogue, TranslatesTheTextWithALineBreak)
{
    EXPECT_EQ(QCoreApplication::translate("MainWindow", "Engine Start Failed\nTry restart Application."),
              QString::fromUtf8("白龙马太累了，歇息一下重新上路就好了。"));
    EXPECT_EQ(QCoreApplication::translate("MainWindow", "Engine Start Failed Try restart Application."),
              QStringLiteral("Engine Start Failed Try restart Application."));
}

// A text is translated only in the contexts whose table lists it.
TEST_F(Catalogue, KeepsContextsApart)
{
    EXPECT_EQ(QCoreApplication::translate("MainWindow", "Settings"), QStringLiteral("Settings"));
    EXPECT_EQ(QCoreApplication::translate("ToolBarWidget", "Close"), QStringLiteral("Close"));
    EXPECT_EQ(QCoreApplication::translate("MapDialog", "Ok"), QStringLiteral("Ok"));
    EXPECT_EQ(QCoreApplication::translate("SettingsDialog", "Settings"), QString::fromUtf8("设置"));
    EXPECT_EQ(QCoreApplication::translate("ToolBarWidget", "Settings"), QString::fromUtf8("设置"));
}

struct SourceEntry {
    std::string context;
    std::string source;
    std::string translation;
    bool unfinished = false;
};

std::vector<SourceEntry> readSourceCatalogue()
{
    QFile file(QStringLiteral(PLAYER_RESOURCES_SOURCE_DIR "/lang/zh_CN.ts"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    std::vector<SourceEntry> entries;
    std::string context;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText().toStdString();
        } else if (xml.name() == QLatin1String("source")) {
            entries.push_back({context, xml.readElementText().toStdString(), {}, false});
        } else if (xml.name() == QLatin1String("translation") && !entries.empty()) {
            entries.back().unfinished = xml.attributes().value(QLatin1String("type")) == QLatin1String("unfinished");
            entries.back().translation = xml.readElementText().toStdString();
        }
    }
    return xml.hasError() ? std::vector<SourceEntry>{} : entries;
}

// The source file holds exactly the entries above, once each, and marks the
// untranslated ones as such so that the compiled catalogue leaves them out.
TEST(CatalogueSource, HoldsEveryEntryOnceWithUntranslatedOnesMarked)
{
    using Key = std::pair<std::string, std::string>;
    using Value = std::pair<std::string, bool>; // translation, unfinished
    std::map<Key, Value> expected;
    const auto expect = [&expected](const Entry &entry) {
        expected[{entry.context, entry.source}] = {entry.shown ? entry.shown : "", entry.shown == nullptr};
    };
    std::for_each(std::begin(kEntries), std::end(kEntries), expect);
    std::for_each(std::begin(kUntranslatedExtras), std::end(kUntranslatedExtras), expect);
    const std::vector<SourceEntry> source = readSourceCatalogue();
    std::map<Key, Value> found;
    for (const SourceEntry &entry : source)
        found[{entry.context, entry.source}] = {entry.translation, entry.unfinished};
    EXPECT_EQ(found.size(), source.size()) << "an entry is listed twice";
    EXPECT_EQ(found, expected);
}

} // namespace
