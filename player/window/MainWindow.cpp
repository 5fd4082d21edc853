#include "window/MainWindow.h"

#include "app/InstanceName.h"
#include "display/OpenGLWidget.h"
#include "display/RendererBinding.h"
#include "settings/SettingsStore.h"
#include "splash/InfoReporter.h"
#include "splash/SplashSetup.h"
#include "splash/SplashUpdater.h"
#include "splash/TSplashWidget.h"
#include "window/ApkDrop.h"
#include "window/BossKey.h"
#include "window/GuestLossNotice.h"
#include "window/GuestStartWatch.h"
#include "window/MainWindowLayout.h"
#include "window/SavedGeometry.h"
#include "window/ScreenCapture.h"
#include "window/ShakeAnimation.h"
#include "window/StartFailureText.h"
#include "window/ToolBarWidget.h"
#include "window/VideoRecord.h"

#include <QxtGlobalShortcut.h>
#include <TMessageBox.h>
#include <TTimer.h>
#include <TTitleBar.h>
#include <service/misc.h>
#include <service/vinput.h>

#include <QCloseEvent>
#include <QDebug>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPropertyAnimation>
#include <QScreen>
#include <QSound>
#include <QThreadPool>
#include <QTimer>
#include <QWindow>

#include <cmath>

namespace {

constexpr int kToolBarHideMs = 3000;
constexpr int kToolBarSlideMs = 500;
// A reconnecting guest is ready again in well under a second.
constexpr int kGuestLossGraceMs = 3000;
constexpr int kTipsMs = 5000;

const Qt::WindowFlags kFloatingToolBar = Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
const Qt::WindowFlags kFloatingTitleBar = Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;

void setFloating(QWidget *bar, Qt::WindowFlags floatingFlags, bool floating)
{
    const Qt::WindowFlags flags = bar->windowFlags();
    const Qt::WindowFlags wanted = floating ? flags | floatingFlags : flags & ~floatingFlags;
    if (wanted != flags)
        bar->setWindowFlags(wanted);
}

QRect primaryScreenGeometry(bool available)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return QRect();
    return available ? screen->availableGeometry() : screen->geometry();
}

} // namespace

MainWindow::MainWindow(QWidget *parent) : TWindow(parent, true, true)
{
    setWindowTitle(tr("Pellow Game Assistant"));
    setAcceptDrops(true);
    setObjectName(QStringLiteral("win_frm"));
    setStyleSheet(styleSheet() + QStringLiteral("MainWindow, QFrame#win_frm{background:#262626;}"));

    tipsLabel = new QLabel(this);
    tipsLabel->setObjectName(QStringLiteral("tipsLabel"));
    tipsLabel->setStyleSheet(QStringLiteral("color:#fff;background:#393939;padding:10px;"));
    tipsLabel->setAlignment(Qt::AlignCenter);
    tipsLabel->setWordWrap(true);
    tipsLabel->hide();

    display = new OpenGLWidget(this);
    display->setObjectName(QStringLiteral("display"));

    splash = new TSplashWidget(this);
    splash->setObjectName(QStringLiteral("splash"));
    SplashSetup::setUp(*splash);
    m_splashUpdater = new SplashUpdater(this);

    toolBar = new ToolBarWidget(this);
    toolBar->setObjectName(QStringLiteral("toolBar"));

    toolBar->raise();
    display->hide();
    splash->show();

    orientation = 1;
    vinput_set_orientation(0);
    layoutChild();

    connect(this, &MainWindow::onRotationChanged, this, &MainWindow::rotationChanged);
    connect(this, &MainWindow::onSetShowOpenGLWidget, this, &MainWindow::setShowOpenGLWidget);
    connect(display, &OpenGLWidget::onMouseEdge, this, &MainWindow::mouseEdge);
    connect(this, &MainWindow::onAndroidClipData, &clipboard, &ClipboardManager::androidClipBoard);
    connect(toolBar, &ToolBarWidget::onScreenCapture, this, &MainWindow::screenCap);
    connect(toolBar, &ToolBarWidget::onShake, this, &MainWindow::shake);
    connect(toolBar, &ToolBarWidget::onRecord, this, &MainWindow::record);
    connect(toolBar, &ToolBarWidget::onEngineSwitchValueChanged, this, &MainWindow::engineSwitchValueChanged);
    connect(this, &MainWindow::onRecording, toolBar, &ToolBarWidget::recording);
    connect(toolBar, &ToolBarWidget::onShowEngine, this, &MainWindow::showEngine);
    connect(toolBar, &ToolBarWidget::onNotice, this, qOverload<QString>(&MainWindow::showTips));
    connect(this, &MainWindow::onSetMouseCanLock, display, &OpenGLWidget::setMouseCanLock);
    connect(this, &MainWindow::onSetEngineEnabled, this, &MainWindow::setEngineSwitchValue);
    connect(this, &MainWindow::onPmInstallBegin, this, &MainWindow::pmInstallBegin);
    connect(this, &MainWindow::onPmInstallEnd, this, &MainWindow::pmInstallEnd);
    auto *guestLoss = new GuestLossNotice(kGuestLossGraceMs, this);
    connect(this, &MainWindow::onGuestConnectionLost, guestLoss, &GuestLossNotice::connectionLost);
    connect(this, &MainWindow::onSetShowOpenGLWidget, guestLoss, &GuestLossNotice::guestReady);
    connect(this, &MainWindow::onExitConfirmed, guestLoss, &GuestLossNotice::stop);
    connect(guestLoss, &GuestLossNotice::gone, this, [this] {
        qDebug() << "the guest has gone";
        showTips(tr("Android Stopped"), tr("Close the player and start it again"));
    });
    m_guestStart = new GuestStartWatch(GuestStartWatch::kBoundMs, guestStartProbes(), this);
    connect(this, &MainWindow::onSetShowOpenGLWidget, m_guestStart, [this](bool shown) {
        if (shown)
            m_guestStart->stop();
    });
    connect(this, &MainWindow::onExitConfirmed, m_guestStart, &GuestStartWatch::stop);
    connect(m_guestStart, &GuestStartWatch::neverReady, this, &MainWindow::guestNeverReady);
    m_shake = new ShakeAnimation(this);
    connect(m_shake, &ShakeAnimation::frameDue, this, &MainWindow::shakeFrameChanged);
    setMouseTracking(true);

    bossKeyShortcut = new QxtGlobalShortcut(BossKey::fromSettings());
    connect(bossKeyShortcut, &QxtGlobalShortcut::activated, this, &MainWindow::toggleVisible);
}

MainWindow::~MainWindow()
{
    finishRecordings();
    delete bossKeyShortcut;
}

// ---- Layout ----------------------------------------------------------------

void MainWindow::layoutChild()
{
    TTimer::stop();
    stopToolBarAnimation();
    TWindow::layoutChild();
    if (display == nullptr)
        return;

    const MainWindowLayout layout(size(), guestSize(), natural(), fullScreen());
    display->setGeometry(layout.display());

    const QRect toolBarRect = layout.toolBar();
    const bool titleBarInside = layout.barsInside() || !fullScreen() || m_titleBarShown;
    toolBarShown = toolBarRect.x() < width() && toolBarRect.y() < height();
    m_titleBarShown = titleBarInside;

    setBarsFloating(!(toolBarShown && m_titleBarShown));
    const QRect titleBarRect(0, titleBarInside ? 0 : -MainWindowLayout::kTitleBarHeight, width(),
                             MainWindowLayout::kTitleBarHeight);
    m_titleBar->setGeometry(barGeometry(m_titleBar, titleBarRect));

    toolBar->setGeometry(barGeometry(toolBar, toolBarRect));
    toolBar->setLayoutHorizontal(natural());
    toolBar->adjustSize();
    toolBar->setGeometry(barGeometry(toolBar, toolBarRect));
    // Floating bars are windows of their own: they show only with this one.
    if (!toolBar->isWindow() || isVisible()) {
        m_titleBar->show();
        toolBar->show();
    }

    splash->setGeometry(layout.splash(m_titleBarShown));
}

// Over the native display the bars can only be seen as windows of their
// own, always on top; inside the window they are ordinary children.
void MainWindow::setBarsFloating(bool floating)
{
    setFloating(toolBar, kFloatingToolBar, floating);
    setFloating(m_titleBar, kFloatingTitleBar, floating);
    if (floating)
        m_titleBar->raise();
}

QRect MainWindow::barGeometry(const QWidget *bar, const QRect &local) const
{
    if (!bar->isWindow())
        return local;
    return QRect(mapToGlobal(local.topLeft()), local.size());
}

int MainWindow::heightForWidth(int width)
{
    return MainWindowLayout::heightForWidth(width, guestSize(), natural());
}

void MainWindow::setFullScreen(bool on)
{
    TWindow::setFullScreen(on);
    if (!on)
        refitWindow();
}

void MainWindow::refitWindow()
{
    if (fullScreen() || guestWidth <= 0 || guestHeight <= 0)
        return;
    const int h = height();
    const int w = MainWindowLayout::widthForHeight(h, guestSize(), natural());
    const QRect available = primaryScreenGeometry(true);
    const int x = available.x() + qMax(0, (available.width() - w) / 2);
    const int y = available.y() + qMax(0, (available.height() - h) / 2);
    setGeometry(x, y, w, h);
}

// ---- Guest size, saved place and rotation -----------------------------------

void MainWindow::applyGuestResolution(int width, int height)
{
    guestWidth = width;
    guestHeight = height;
    QPoint pos;
    int displayHeight = 0;
    readSavedGeometry(pos, displayHeight);
    const QRect geometry =
        SavedGeometry::windowGeometry(pos, displayHeight, guestSize(), natural(), primaryScreenGeometry(false));
    qDebug() << "resize window" << geometry.width() << geometry.height();
    setGeometry(geometry);
}

void MainWindow::readSavedGeometry(QPoint &pos, int &height)
{
    SettingsStore store(instanceName());
    SavedGeometry::read(store, pos, height);
}

void MainWindow::writeSavedGeometry()
{
    SettingsStore store(instanceName());
    SavedGeometry::write(store, pos(), MainWindowLayout::displayHeightForWindow(height(), natural()));
}

// The display draws every rotation the guest reports; the window's shape,
// the input mapping and the layout change only between upright (0, 180 or
// 360 degrees: the guest's frame keeps its shape) and turned (90 or 270).
void MainWindow::rotationChanged(float zRot)
{
    const bool quarterTurned = std::lround(zRot / 90.0f) % 2 != 0;
    const int newOrientation = quarterTurned ? 0 : 1;
    if (zRot != m_displayRotation) {
        display->setDisplayRotation(zRot);
        m_displayRotation = zRot;
    }
    if (newOrientation == orientation)
        return;
    orientation = newOrientation;
    vinput_set_orientation(natural() ? 0 : 1);
    refitWindow();
    layoutChild();
}

// ---- Tool bar and title bar in full screen ----------------------------------

void MainWindow::mouseMoveEvent(QMouseEvent *event)
{
    TWindow::mouseMoveEvent(event);
    if (event->buttons() != Qt::NoButton)
        return;
    if (MainWindowLayout::atEdge(event->pos(), size(), natural()))
        mouseEdge();
}

void MainWindow::mouseEdge()
{
    if (!fullScreen() || toolBarShown || height() - display->height() >= MainWindowLayout::kBarsHeight)
        return;
    toggleTitleBar(true);
    slideToolBar(true);
    TTimer::singleShot(kToolBarHideMs, this, SLOT(hideToolBar()));
}

void MainWindow::hideToolBar()
{
    toggleTitleBar(false);
    slideToolBar(false);
}

void MainWindow::slideToolBar(bool show)
{
    if (show)
        TTimer::stop();
    if (show == toolBarShown || !fullScreen())
        return;
    toolBarShown = show;
    stopToolBarAnimation();
    const MainWindowLayout layout(size(), guestSize(), natural(), fullScreen());
    toolBarAnimation = new QPropertyAnimation(toolBar, "geometry", this);
    toolBarAnimation->setDuration(kToolBarSlideMs);
    toolBarAnimation->setEndValue(barGeometry(toolBar, layout.toolBarSlideTarget(show)));
    connect(toolBarAnimation, &QPropertyAnimation::valueChanged, display, &OpenGLWidget::refreshOpenGL);
    connect(toolBarAnimation, &QPropertyAnimation::finished, this, &MainWindow::toolbarAnimationFinished);
    display->setUpdatesEnabled(false);
    toolBarAnimation->start();
    if (show)
        toolBar->activateWindow();
    else
        display->activateWindow();
}

void MainWindow::toolbarAnimationFinished()
{
    toolBar->raise();
    display->setUpdatesEnabled(true);
}

// A slide cut short never finishes: the display's updates come back here.
void MainWindow::stopToolBarAnimation()
{
    if (toolBarAnimation == nullptr)
        return;
    toolBarAnimation->stop();
    delete toolBarAnimation;
    toolBarAnimation = nullptr;
    display->setUpdatesEnabled(true);
}

void MainWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::WindowStateChange) {
        glrender::repaintOpenGLDisplay();
        if ((lastWindowState & Qt::WindowFullScreen) && !fullScreen()) {
            TTimer::stop();
            layoutChild();
        }
        lastWindowState = windowState();
    }
    TWindow::changeEvent(event);
}

// ---- Tips ---------------------------------------------------------------------

void MainWindow::showTips(const QString &first, const QString &second)
{
    showTips(first + QLatin1Char(' ') + second);
}

// Each tip arms its own hide: a tip shown soon after another goes when the
// first one's time is up.
void MainWindow::showTips(QString tips)
{
    const MainWindowLayout layout(size(), guestSize(), natural(), fullScreen());
    tipsLabel->setGeometry(0, layout.tipsTop(), width(), 0);
    tipsLabel->raise();
    tipsLabel->setText(tips);
    m_tipsHeight = tipsLabel->heightForWidth(width());
    slideTips(true);
    QTimer::singleShot(kTipsMs, this, &MainWindow::hideTips);
}

void MainWindow::hideTips()
{
    slideTips(false);
}

void MainWindow::slideTips(bool show)
{
    if (m_tipsAnimation)
        m_tipsAnimation->stop();
    const MainWindowLayout layout(size(), guestSize(), natural(), fullScreen());
    const int labelWidth = tipsLabel->width();
    auto *animation = new QPropertyAnimation(tipsLabel, "geometry", this);
    animation->setEndValue(
        QRect((width() - labelWidth) / 2, layout.tipsTop(), labelWidth, show ? m_tipsHeight : 0));
    connect(animation, &QPropertyAnimation::valueChanged, display, &OpenGLWidget::refreshOpenGL);
    if (tipsLabel->isVisible())
        connect(animation, &QPropertyAnimation::finished, this, &MainWindow::toolbarAnimationFinished);
    connect(animation, &QPropertyAnimation::finished, tipsLabel, [this, show] { tipsLabel->setVisible(show); });
    m_tipsAnimation = animation;
    // Shown as the slide begins, so that the slide is seen.
    if (show)
        tipsLabel->show();
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

// ---- Guest shown, start failure and exit -----------------------------------

void MainWindow::setShowOpenGLWidget(bool showOpenWidget)
{
    if (!showOpenWidget) {
        display->hide();
        splash->show();
        return;
    }
    splash->setProgress(100);
    splash->hide();
    display->showDisplay();
    display->setFocus(Qt::OtherFocusReason);
    m_splashUpdater->requestSplash();
    InfoReporter::instance()->report(true, true);
}

void MainWindow::vmStartFailed(int reason, const QString &detail)
{
    m_guestStart->stop();
    TMessageBox box(this, StartFailureText::text(reason, detail), false);
    box.exec();
    exitConfirmed = 1;
    close();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (exitConfirmed == 0) {
        if (!fullScreen())
            writeSavedGeometry();
        TMessageBox box(this, tr("Confirm to Exit?"), true);
        box.setButtons(tr("Close"), tr("Stay"));
        if (box.exec() == 0) {
            event->ignore();
            return;
        }
        InfoReporter::instance()->report(false, false);
        exitConfirmed = 1;
    }
    emit onExitConfirmed();
    // Stopped here, the recording finishes its file while the program ends
    // (see finishRecordings).
    if (recording)
        record();
    // Left shown, they would keep the program alive after this window.
    hideFloatingBars();
    event->accept();
}

void MainWindow::hideFloatingBars()
{
    if (toolBar->isWindow())
        toolBar->hide();
    if (m_titleBar->isWindow())
        m_titleBar->hide();
}

// A confirmed exit without the question, close report included (unless the
// user already confirmed and it went).
void MainWindow::closeWithoutAsking()
{
    if (exitConfirmed == 0) {
        InfoReporter::instance()->report(false, false);
        exitConfirmed = 1;
    }
    close();
}

// ---- Host of the renderer and of the launch ---------------------------------

WId MainWindow::ownerWindow()
{
    const QWindow *window = windowHandle();
    const QWindow *owner = window != nullptr ? window->transientParent() : nullptr;
    return owner != nullptr ? owner->winId() : 0;
}

WId MainWindow::displayWinId()
{
    return display->winId();
}

int MainWindow::displayWidth()
{
    return display->width();
}

int MainWindow::displayHeight()
{
    return display->height();
}

QObject *MainWindow::bridgeTarget()
{
    return this;
}

void MainWindow::showForGuest(int width, int height)
{
    applyGuestResolution(width, height);
    show();
    m_guestStart->start();
}

// The input agent stands for the guest's agents; a frame in the renderer
// says the guest's display reached it.
GuestStartWatch::Probes MainWindow::guestStartProbes()
{
    return {[] { return vinput_ready() != 0; },
            [] {
                quint32 pixel = 0;
                return glrender::screenCapture(&pixel, 1, 1) == 0;
            }};
}

// The machine runs on: the guest may come yet, and the user decides. The
// splash keeps the notice once the tip has gone.
void MainWindow::guestNeverReady(bool agentMissing, bool rendererMissing)
{
    qDebug() << "the guest has not connected" << "agent missing" << agentMissing << "renderer missing"
             << rendererMissing;
    const QString notice = GuestStartWatch::notice(agentMissing, rendererMissing);
    showTips(notice);
    splash->setHelpTexts({notice}, kTipsMs);
}

bool MainWindow::startRenderer(int width, int height, char *address, int size)
{
    return glrender::startRenderer(width, height, address, size, this);
}

// ---- Window features ----------------------------------------------------------

void MainWindow::pmInstallBegin(QString packageName)
{
    showTips(tr("Install Begin"), packageName);
}

void MainWindow::pmInstallEnd(QString packageName, int success)
{
    showTips(success == 1 ? tr("Installed") : tr("Failed"), packageName);
}

void MainWindow::showEngine()
{
    if (misc_show_engine() != 0)
        showTips(tr("Open Engine Editor Failed"), tr("System Not Ready"));
}

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->source() == this || ApkDrop(event->mimeData()).apks().isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    showTips(tr("Release to Install"));
}

// Every APK of the drop is installed, one after the other; other files are
// named as skipped.
void MainWindow::dropEvent(QDropEvent *event)
{
    const ApkDrop drop(event->mimeData());
    if (event->source() == this || drop.apks().isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    drop.install();
    if (drop.skipped() > 0)
        showTips(tr("Only APK files are installed; skipped:"), QString::number(drop.skipped()));
}

void MainWindow::engineSwitchValueChanged(bool on)
{
    qDebug() << "engine switch changed " << on;
    misc_set_engine_enable(on ? 1 : 0);
    engineSwitchOn = on;
}

// The switch follows the guest's engine while the user leaves it on, and the
// state is confirmed to the guest. A guest reports its state only when it
// changes, so the confirmation ends the exchange.
void MainWindow::setEngineSwitchValue(bool on)
{
    if (!engineSwitchOn || toolBar == nullptr)
        return;
    toolBar->onSetEngineEnable(on);
    misc_set_engine_enable(on ? 1 : 0);
}

void MainWindow::toggleVisible()
{
    if (isVisible()) {
        hide();
        hideFloatingBars();
        return;
    }
    show();
    layoutChild();
}

void MainWindow::screenCap()
{
    qDebug() << "try to screen cap " << display->width() << display->height();
    const ScreenCapture::Result result = ScreenCapture::take(guestSize(), !natural());
    switch (result.outcome) {
    case ScreenCapture::Outcome::Saved:
        showTips(tr("Screen Captured"), tr("Save to") + result.path);
        return;
    case ScreenCapture::Outcome::OutOfMemory:
        showTips(tr("Screen Capture Error"), tr("Out of memory"));
        return;
    case ScreenCapture::Outcome::NotReady:
        showTips(tr("Screen Capture Error"), tr("System not Ready"));
        return;
    case ScreenCapture::Outcome::WriteFailed:
        showTips(tr("Screen Capture Error"), result.path);
        return;
    }
}

void MainWindow::record()
{
    if (recording) {
        emit onStopVideoRecording();
        recording = false;
        emit onRecording(false);
        return;
    }
    recording = true;
    emit onRecording(true);
    m_recordFile = ScreenCapture::captureFilePath(QStringLiteral(".mp4"), true);
    auto *recorder = new VideoRecord(m_recordFile, guestWidth, guestHeight, nullptr);
    connect(this, &MainWindow::onStopVideoRecording, recorder, &VideoRecord::onFinish);
    connect(recorder, &VideoRecord::fileSaved, this, &MainWindow::recordFinished);
    connect(recorder, &VideoRecord::recordError, this, &MainWindow::recordFailed);
    m_recorders.removeAll(nullptr);
    m_recorders.append(recorder);
    QThreadPool::globalInstance()->start(recorder);
}

void MainWindow::recordFinished(QString fileName)
{
    qDebug() << "record finished";
    showTips(tr("Screen Recorded"), tr("Save to") + fileName);
    if (fileName != m_recordFile)
        return;
    recording = false;
    emit onRecording(false);
}

// The recorder has already removed a file without frames and kept a
// playable one with frames. A missing encoder says what would help.
void MainWindow::recordFailed(QString file, int error)
{
    showTips(tr("Screen Failed"), error == VideoRecord::kEncoderMissing
                                      ? tr("The video encoder is missing or damaged: reinstall the player to record.")
                                      : tr("Failed to record screen"));
    if (file != m_recordFile)
        return;
    recording = false;
    emit onRecording(false);
}

// Once the event loop is over nothing deletes a recorder that is still
// finishing its file: the window stops it, lets it finish and deletes it.
void MainWindow::finishRecordings()
{
    m_recorders.removeAll(nullptr);
    if (m_recorders.isEmpty())
        return;
    emit onStopVideoRecording();
    QThreadPool::globalInstance()->waitForDone();
    for (const QPointer<VideoRecord> &recorder : qAsConst(m_recorders))
        delete recorder.data();
    m_recorders.clear();
}

// In full screen the window has nowhere to move: nothing happens, and the
// guest is not told either.
void MainWindow::shake()
{
    qDebug() << "shake " << m_shake->shaking();
    if (fullScreen() || !m_shake->start())
        return;
    QSound::play(QStringLiteral(":/resources/sound/shake.wav"));
    misc_shake();
}

void MainWindow::shakeFrameChanged()
{
    m_shake->showNextFrame();
}

void MainWindow::shakeEnd()
{
    m_shake->end();
}
