#pragma once

#include <QString>

#include <functional>

struct xcb_connection_t;

// Watches top-level windows being mapped on an X display (MapNotify on the
// root with SubstructureNotify), so that the moment a program's window
// appears is taken from the server's own event, not from polling.
class MapWatcher
{
public:
    struct Mapped
    {
        unsigned window = 0;
        qint64 pid = 0;   // _NET_WM_PID, 0 when not set
        QString name;     // _NET_WM_NAME or WM_NAME
    };

    explicit MapWatcher(const QString &display);
    ~MapWatcher();
    MapWatcher(const MapWatcher &) = delete;
    MapWatcher &operator=(const MapWatcher &) = delete;

    bool ok() const { return m_connection != nullptr; }
    // Waits up to timeoutMs for the events already there or arriving; calls
    // onMap for each window mapped. Returns early when onMap returns true.
    bool wait(int timeoutMs, const std::function<bool(const Mapped &)> &onMap);

private:
    Mapped describe(unsigned window) const;
    QString property(unsigned window, unsigned atom, unsigned type) const;
    unsigned atom(const char *name) const;

    xcb_connection_t *m_connection = nullptr;
    unsigned m_pidAtom = 0;
    unsigned m_nameAtom = 0;
    unsigned m_utf8Atom = 0;
};
