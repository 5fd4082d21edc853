#include "PaintCounter.h"

#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <cstdlib>

namespace {

// Set in a notification's level when more rectangles of the same request follow.
constexpr uint8_t kMoreFollow = 0x80;

} // namespace

PaintCounter::PaintCounter(const QString &display)
{
    xcb_connection_t *connection = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return;
    }
    m_connection = connection;
    const xcb_query_extension_reply_t *extension = xcb_get_extension_data(m_connection, &xcb_damage_id);
    if (extension == nullptr || !extension->present)
        return;
    xcb_damage_query_version_reply_t *version = xcb_damage_query_version_reply(
        m_connection, xcb_damage_query_version(m_connection, XCB_DAMAGE_MAJOR_VERSION, XCB_DAMAGE_MINOR_VERSION),
        nullptr);
    if (version == nullptr)
        return;
    free(version);
    m_damageEvent = extension->first_event;
}

PaintCounter::~PaintCounter()
{
    if (m_connection != nullptr)
        xcb_disconnect(m_connection);
}

bool PaintCounter::viewable(unsigned window) const
{
    xcb_get_window_attributes_reply_t *attributes = xcb_get_window_attributes_reply(
        m_connection, xcb_get_window_attributes(m_connection, window), nullptr);
    const bool result = attributes != nullptr && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    free(attributes);
    return result;
}

void PaintCounter::largestLeaf(unsigned window, unsigned &best, int &bestArea)
{
    xcb_query_tree_reply_t *tree = xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, window), nullptr);
    if (tree == nullptr)
        return;
    const int count = xcb_query_tree_children_length(tree);
    const xcb_window_t *children = xcb_query_tree_children(tree);
    if (count == 0 && viewable(window)) {
        xcb_get_geometry_reply_t *geometry =
            xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, window), nullptr);
        if (geometry != nullptr && geometry->width * geometry->height > bestArea) {
            best = window;
            bestArea = geometry->width * geometry->height;
            m_watchedSize = QSize(geometry->width, geometry->height);
        }
        free(geometry);
    }
    for (int i = 0; i < count; ++i)
        largestLeaf(children[i], best, bestArea);
    free(tree);
}

bool PaintCounter::watchDisplayBelow(unsigned top)
{
    if (!ok())
        return false;
    unsigned leaf = 0;
    int area = 0;
    largestLeaf(top, leaf, area);
    if (leaf == 0 || leaf == top)
        return false;
    m_damage = xcb_generate_id(m_connection);
    xcb_damage_create(m_connection, m_damage, leaf, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
    xcb_flush(m_connection);
    return true;
}

void PaintCounter::collect()
{
    while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
        if ((event->response_type & 0x7f) == m_damageEvent + XCB_DAMAGE_NOTIFY) {
            const auto *notify = reinterpret_cast<const xcb_damage_notify_event_t *>(event);
            if ((notify->level & kMoreFollow) == 0)
                ++m_paints;
        }
        free(event);
    }
}

qint64 PaintCounter::paints()
{
    if (m_connection != nullptr)
        collect();
    return m_paints;
}
