#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class SettingsStore;

// The main window's remembered place, in the instance store: "pos" (the
// window's position) and "height" (the display height). They are used only
// while the configured guest size ("graphics_width", "graphics_height") is
// the one they were saved under, which "graphics_width_recent" and
// "graphics_height_recent" record.
class SavedGeometry
{
public:
    // The remembered position and display height. When the configured guest
    // size changed since, records the new one and gives none (height 0). A
    // height of 0 means "none".
    static void read(SettingsStore &store, QPoint &pos, int &height);
    static void write(SettingsStore &store, QPoint pos, int displayHeight);

    // The first window geometry for a guest of the given size: the
    // remembered place when there is one (a position other than (0, 0) and a
    // positive height; negative coordinates raised to 0), else the guest size
    // plus the bars, centred on the screen.
    static QRect windowGeometry(QPoint pos, int height, QSize guest, bool natural, const QRect &screen);
};
