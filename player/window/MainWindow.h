#pragma once

#include "display/OpenGL.h"
#include "launch/LaunchWindow.h"
#include "window/ClipboardManager.h"
#include "window/GuestStartWatch.h"

#include <TWindow.h>

#include <QList>
#include <QPointer>
#include <QString>

class OpenGLWidget;
class QLabel;
class QPropertyAnimation;
class SplashUpdater;
class TSplashWidget;
class QxtGlobalShortcut;
class ShakeAnimation;
class ToolBarWidget;
class VideoRecord;

// The player's one top-level window: a frameless window holding the guest
// display, the tool bar, the splash shown while the guest boots and a label
// for short notices (tips). It keeps the display at the guest's aspect,
// follows the guest's rotation, slides the tool bar and title bar in from
// the screen edge in full screen, remembers its place, asks before exiting
// and stops the virtual machine when it closes.
//
// It hosts the GL renderer (OpenGL) and is what the launch shows and reports
// to (LaunchWindow): the guest-service and renderer callbacks emit its
// signals on their own threads, and its connections carry them to the slots
// on the GUI thread. Package names arrive as copies.
class MainWindow : public TWindow, public OpenGL, public LaunchWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // The first size and place of the window for the guest resolution.
    void applyGuestResolution(int width, int height);
    void writeSavedGeometry();
    void readSavedGeometry(QPoint &pos, int &height);
    // The width that fits the current height, after a turn or on leaving
    // full screen; the window is centred on the primary screen.
    void refitWindow();
    void slideToolBar(bool show);
    void slideTips(bool show);
    // first + " " + second.
    void showTips(const QString &first, const QString &second);
    // Closes as after a confirmed exit, without the question.
    void closeWithoutAsking();

    int heightForWidth(int width) override;
    void layoutChild() override;
    void setFullScreen(bool on) override;

    WId ownerWindow() override;
    WId displayWinId() override;
    int displayWidth() override;
    int displayHeight() override;

    QObject *bridgeTarget() override;
    void showForGuest(int width, int height) override;
    bool startRenderer(int width, int height, char *address, int size) override;

signals:
    void onRotationChanged(float zRot);
    void onSetShowOpenGLWidget(bool show);
    void onAndroidClipData(QString data);
    void onStopVideoRecording();
    void onRecording(bool recording);
    void onSetMouseCanLock(int lock);
    void onSetEngineEnabled(bool enable);
    void onPmInstallBegin(QString packageName);
    void onPmInstallEnd(QString packageName, int success);
    // The guest's control connection ended (it may only be reconnecting).
    void onGuestConnectionLost();
    // The exit is decided (confirmed, forced by a start failure or asked
    // for from outside) and the window hides: the receiver stops the machine
    // and ends the program.
    void onExitConfirmed();

public slots:
    void pmInstallBegin(QString packageName);
    void pmInstallEnd(QString packageName, int success);
    void showEngine();
    void recordFinished(QString fileName);
    void recordFailed(QString file, int error);
    void rotationChanged(float zRot);
    void setShowOpenGLWidget(bool showOpenWidget);
    void vmStartFailed(int reason, const QString &detail = QString()) override;
    void mouseEdge();
    void hideToolBar();
    void toolbarAnimationFinished();
    void showTips(QString tips);
    void hideTips();
    void screenCap();
    void record();
    void shake();
    void shakeFrameChanged();
    void shakeEnd();
    void engineSwitchValueChanged(bool on);
    void setEngineSwitchValue(bool on);
    void toggleVisible();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    bool natural() const { return orientation == 1; }
    QSize guestSize() const { return QSize(guestWidth, guestHeight); }
    // A local rectangle for a bar, in screen coordinates while it floats.
    QRect barGeometry(const QWidget *bar, const QRect &local) const;
    void setBarsFloating(bool floating);
    void hideFloatingBars();
    void stopToolBarAnimation();
    void finishRecordings();
    static GuestStartWatch::Probes guestStartProbes();
    void guestNeverReady(bool agentMissing, bool rendererMissing);

    OpenGLWidget *display = nullptr;
    ToolBarWidget *toolBar = nullptr;
    TSplashWidget *splash = nullptr;
    SplashUpdater *m_splashUpdater = nullptr;
    QxtGlobalShortcut *bossKeyShortcut = nullptr;
    QLabel *tipsLabel = nullptr;
    ClipboardManager clipboard;
    // 1 while the guest display keeps its upright shape (0, 180 or 360
    // degrees), 0 while it is turned by a quarter (90 or 270).
    int orientation = 1;
    int exitConfirmed = 0;
    int guestWidth = 0;
    int guestHeight = 0;
    bool toolBarShown = true;
    QPropertyAnimation *toolBarAnimation = nullptr;
    Qt::WindowStates lastWindowState;
    bool engineSwitchOn = true;
    // The rotation the display draws the guest with, degrees.
    float m_displayRotation = 0.0f;
    QPointer<QPropertyAnimation> m_tipsAnimation;
    int m_tipsHeight = 0;
    bool recording = false;
    // The file of the recording that runs now; reports of an earlier one
    // (still finishing after a quick stop and start) leave the state alone.
    QString m_recordFile;
    QList<QPointer<VideoRecord>> m_recorders;
    ShakeAnimation *m_shake = nullptr;
    GuestStartWatch *m_guestStart = nullptr;
};
