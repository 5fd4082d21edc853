#include "MapWatcher.h"

#include <QElapsedTimer>

#include <poll.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

MapWatcher::MapWatcher(const QString &display)
{
    xcb_connection_t *connection = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return;
    }
    m_connection = connection;
    xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(m_connection, screen->root, XCB_CW_EVENT_MASK, &mask);
    m_pidAtom = atom("_NET_WM_PID");
    m_nameAtom = atom("_NET_WM_NAME");
    m_utf8Atom = atom("UTF8_STRING");
    xcb_flush(m_connection);
}

MapWatcher::~MapWatcher()
{
    if (m_connection != nullptr)
        xcb_disconnect(m_connection);
}

unsigned MapWatcher::atom(const char *name) const
{
    xcb_intern_atom_reply_t *reply =
        xcb_intern_atom_reply(m_connection, xcb_intern_atom(m_connection, 0, uint16_t(strlen(name)), name), nullptr);
    const unsigned value = reply != nullptr ? reply->atom : 0;
    free(reply);
    return value;
}

QString MapWatcher::property(unsigned window, unsigned atom, unsigned type) const
{
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        m_connection, xcb_get_property(m_connection, 0, window, atom, type, 0, 256), nullptr);
    if (reply == nullptr)
        return QString();
    const int length = xcb_get_property_value_length(reply);
    QString value;
    if (type == XCB_ATOM_CARDINAL && length == 4)
        value = QString::number(*static_cast<const uint32_t *>(xcb_get_property_value(reply)));
    else if (type != XCB_ATOM_CARDINAL)
        value = QString::fromUtf8(static_cast<const char *>(xcb_get_property_value(reply)), length);
    free(reply);
    return value;
}

MapWatcher::Mapped MapWatcher::describe(unsigned window) const
{
    Mapped mapped;
    mapped.window = window;
    mapped.pid = property(window, m_pidAtom, XCB_ATOM_CARDINAL).toLongLong();
    mapped.name = property(window, m_nameAtom, m_utf8Atom);
    if (mapped.name.isEmpty())
        mapped.name = property(window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING);
    return mapped;
}

bool MapWatcher::wait(int timeoutMs, const std::function<bool(const Mapped &)> &onMap)
{
    QElapsedTimer timer;
    timer.start();
    while (true) {
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
            const bool mapNotify = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
            const unsigned window = mapNotify ? reinterpret_cast<xcb_map_notify_event_t *>(event)->window : 0;
            free(event);
            if (mapNotify && onMap(describe(window)))
                return true;
        }
        const qint64 left = timeoutMs - timer.elapsed();
        if (left <= 0 || xcb_connection_has_error(m_connection))
            return false;
        pollfd descriptor{xcb_get_file_descriptor(m_connection), POLLIN, 0};
        ::poll(&descriptor, 1, int(qMin<qint64>(left, 5)));
    }
}
