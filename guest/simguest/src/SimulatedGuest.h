#pragma once

#include "GuestOptions.h"
#include "KeyTextField.h"
#include "ScreenState.h"

#include <guestproto/MiscMessages.h>
#include <guestproto/VirtualInputMessages.h>

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class AgentLink;
class ControlServer;
class DisplayStreamer;
class EventLog;
class Inbox;
class PropertyWatcher;
struct ControlCommand;
struct ScreenHit;

// The simulated Android guest: its agents' connections to the host services,
// the screen it streams to the renderer, and how it acts on what arrives.
// Lives on the GUI thread; the connections run threads of their own and hand
// every message over through an inbox.
class SimulatedGuest : public QObject
{
    Q_OBJECT

public:
    explicit SimulatedGuest(GuestOptions options, QObject *parent = nullptr);
    ~SimulatedGuest() override;

    // Opens the event log and the control socket and starts everything.
    // False (and why) when the event log cannot be written.
    bool start(QString *error);
    // Ends every connection and thread; harmless twice.
    void stop();

    // Runs one control command line; returns the answer line.
    QString runControl(const QByteArray &line);

signals:
    void quitRequested();

private:
    QString stateFile(const char *name) const;
    void endIfFolderGone();
    void createLinks();
    // From a connection thread: runs function on the GUI thread.
    void post(std::function<void()> function);

    void onProperty(const std::string &name, const std::optional<std::string> &value);
    void onLinkChanged(const QString &agent, bool connected);
    void onVirtualInput(const guest::VirtualInputMessage &message);
    void onMisc(const guest::MiscMessage &message);
    void onHostClipboard(const std::string &text);
    void onInputMethodText(const std::string &text);

    void onKey(int scan, int action);
    void onTouch(int x, int y, int contact, int action);
    void press(const ScreenHit &hit);
    void installApp(const std::string &file);

    void boot();
    bool sendReady();
    bool sendClipboard(const QString &text);
    bool sendMouseLock(bool allowed);
    bool sendEngineState(bool enabled);
    void setRotation(int degrees);
    void goBack();
    void goHome();
    void openGame();
    void showNotice(const QString &text);
    QString runCommand(const ControlCommand &command);

    void changed() { m_dirty = true; }
    void renderIfChanged();

    const GuestOptions m_options;
    std::unique_ptr<EventLog> m_log;
    Inbox *m_inbox = nullptr;
    ScreenState m_state;
    KeyTextField m_textField;
    bool m_dirty = true;
    bool m_stopped = false;

    std::unique_ptr<AgentLink> m_vinput;
    std::unique_ptr<AgentLink> m_misc;
    std::unique_ptr<AgentLink> m_clipboard;
    std::unique_ptr<AgentLink> m_ime;
    std::unique_ptr<DisplayStreamer> m_display;
    PropertyWatcher *m_properties = nullptr;
    ControlServer *m_control = nullptr;

    QTimer m_renderTimer;
    QTimer m_bootTimer;
    QTimer m_noticeTimer;
    QTimer m_folderTimer;
};
