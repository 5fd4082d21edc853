#pragma once

#include "Polling.h"

#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>

#include <memory>

// An X display to drive programs on with real input: a private Xvfb of its
// own (start) or one already there (attach), and the command-line tools
// that find, measure and click windows on it.
class XSession
{
public:
    XSession();
    ~XSession();
    XSession(const XSession &) = delete;
    XSession &operator=(const XSession &) = delete;

    // A private 1920 x 1080 Xvfb: nothing else draws on its screen or takes
    // its focus.
    bool start();
    void attach(const QString &display) { m_display = display; }
    QString display() const { return m_display; }

    // The system environment pointed at this display.
    QProcessEnvironment environment() const;
    // Runs program to its end (20 s at most); its standard output.
    QByteArray run(const QString &program, const QStringList &arguments, int *exitCode = nullptr) const;
    QByteArray xdotool(const QStringList &arguments) const { return run(QStringLiteral("xdotool"), arguments); }
    // A PNG of the whole screen at path.
    void screenshot(const QString &path) const;

    // The player's main window ("Pellow") of pid, waited for up to kStartMs.
    QString mainWindow(qint64 pid) const;
    // The windows of pid shown now.
    QStringList visibleWindows(qint64 pid) const;
    QRect windowGeometry(const QString &window) const;
    // A shown top-level window of pid other than except, larger than a tool
    // tip (a question or a dialog), waited for up to timeoutMs.
    QString otherWindow(qint64 pid, const QString &except, int timeoutMs = kReactionMs) const;
    void clickAt(QPoint screenPos) const;
    void focus(const QString &window) const;

private:
    std::unique_ptr<QProcess> m_xvfb;
    QString m_display;
};
