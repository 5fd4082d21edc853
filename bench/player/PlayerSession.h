#pragma once

#include "driver/PlayerLauncher.h"
#include "driver/SimGuestProbe.h"
#include "driver/XSession.h"

#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QString>

#include <memory>

// One prepared instance of the player on the simulated guest, on the X
// display the bench runs on: starting it, finding its window and tool bar,
// and closing it as a user's session end does.
class PlayerSession
{
public:
    static const char *const kInstance;
    // The tool bar's buttons, from the left.
    enum Button { ScreenCapture = 0, Record = 1, LocationPicker = 2 };

    explicit PlayerSession(const QString &workFolder);

    // The instance, the leak checks and the capture folders; false when
    // something is missing.
    bool prepare();
    QString captureFolder() const { return m_work + QStringLiteral("/captures"); }
    QString recordFolder() const { return m_work + QStringLiteral("/records"); }
    const XSession &x() const { return m_x; }
    SimGuestProbe &guest() { return m_guest; }

    // Starts the player, its log in the work folder under logName; extra
    // variables reach the player and the guest it starts.
    bool start(const QString &logName, const QProcessEnvironment &extra = QProcessEnvironment());
    qint64 pid() const { return m_player ? m_player->processId() : 0; }
    QString log() const { return m_launcher.log(); }
    bool guestShown() const;
    // Waits for the guest to show and for the main window to take its
    // width (the guest's); its frame.
    bool waitUntilShown(int timeoutMs, int windowWidth = 1280);
    QString window() const { return m_window; }
    QRect frame() const { return m_frame; }
    QPoint button(Button which) const;
    void click(Button which) const;

    // SIGTERM, which the player takes for a confirmed exit; waits for it to
    // end and for its guest to stop. Its exit code, -1 when it hung or
    // crashed.
    int close();

private:
    QString m_work;
    QString m_binDir;
    XSession m_x;
    PlayerLauncher m_launcher;
    SimGuestProbe m_guest;
    std::unique_ptr<QProcess> m_player;
    QString m_window;
    QRect m_frame;
};
