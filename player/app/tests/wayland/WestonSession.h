#pragma once

#include "driver/XSession.h"

#include <QPoint>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

#include <memory>

// A Wayland desktop to test on: weston with Xwayland, its output a window
// on a private Xvfb (weston's x11 backend) where xdotool types and clicks
// as a user's keyboard and mouse would. Its socket is in XDG_RUNTIME_DIR,
// its log in folder.
class WestonSession
{
public:
    explicit WestonSession(const QString &folder);
    ~WestonSession();
    WestonSession(const WestonSession &) = delete;
    WestonSession &operator=(const WestonSession &) = delete;

    static bool installed();
    // Waits until weston serves its socket and an X display for Xwayland.
    bool start();
    // Ends weston at once, as a crash would; Xwayland goes with it.
    void crash();

    // The X display weston shows its output on.
    const XSession &host() const { return *m_host; }
    QString xwaylandDisplay() const { return m_xwaylandDisplay; }
    void clickAt(QPoint position) const;
    void focusOutput() const;
    // What a user's Wayland session sets: WAYLAND_DISPLAY, XDG_SESSION_TYPE,
    // and DISPLAY naming Xwayland.
    QProcessEnvironment sessionVariables() const;

private:
    QString m_folder;
    QString m_socket;
    QString m_xwaylandDisplay;
    std::unique_ptr<XSession> m_host;
    std::unique_ptr<QProcess> m_weston;
};
