#include "X11Host.h"

#include <QX11Info>

#include <xcb/xcb.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <cstdlib>

QVector<QRect> x11ChildGeometries(WId parent)
{
    QVector<QRect> geometries;
    xcb_connection_t *connection = QX11Info::connection();
    if (connection == nullptr)
        return geometries;
    xcb_query_tree_reply_t *tree =
        xcb_query_tree_reply(connection, xcb_query_tree(connection, xcb_window_t(parent)), nullptr);
    if (tree == nullptr)
        return geometries;
    const xcb_window_t *children = xcb_query_tree_children(tree);
    for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
        xcb_get_geometry_reply_t *geometry = xcb_get_geometry_reply(
            connection, xcb_get_geometry(connection, children[i]), nullptr);
        if (geometry == nullptr)
            continue;
        geometries << QRect(geometry->x, geometry->y, geometry->width, geometry->height);
        std::free(geometry);
    }
    std::free(tree);
    return geometries;
}

bool x11TypeKey(unsigned long keysym)
{
    Display *display = QX11Info::display();
    if (display == nullptr)
        return false;
    const KeyCode code = XKeysymToKeycode(display, keysym);
    if (code == 0)
        return false;
    XTestFakeKeyEvent(display, code, True, CurrentTime);
    XTestFakeKeyEvent(display, code, False, CurrentTime);
    XFlush(display);
    return true;
}
