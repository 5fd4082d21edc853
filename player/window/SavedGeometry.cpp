#include "window/SavedGeometry.h"

#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "window/MainWindowLayout.h"

#include <QtGlobal>

void SavedGeometry::read(SettingsStore &store, QPoint &pos, int &height)
{
    pos = QPoint();
    height = 0;
    const int width = store.intValue(SettingsKeys::kGraphicsWidth, 0);
    const int guestHeight = store.intValue(SettingsKeys::kGraphicsHeight, 0);
    const bool sameGuest = width == store.intValue(SettingsKeys::kGraphicsWidthRecent, 0)
                           && guestHeight == store.intValue(SettingsKeys::kGraphicsHeightRecent, 0);
    if (!sameGuest) {
        store.setValue(SettingsKeys::kGraphicsWidthRecent, width);
        store.setValue(SettingsKeys::kGraphicsHeightRecent, guestHeight);
        return;
    }
    if (!store.contains(SettingsKeys::kPos) || !store.contains(SettingsKeys::kHeight))
        return;
    pos = store.value(SettingsKeys::kPos).toPoint();
    height = store.intValue(SettingsKeys::kHeight, 0);
}

void SavedGeometry::write(SettingsStore &store, QPoint pos, int displayHeight)
{
    store.setValue(SettingsKeys::kPos, pos);
    store.setValue(SettingsKeys::kHeight, displayHeight);
    store.sync();
}

QRect SavedGeometry::windowGeometry(QPoint pos, int height, QSize guest, bool natural, const QRect &screen)
{
    if (!pos.isNull() && height > 0) {
        const QSize size = MainWindowLayout::windowForDisplayHeight(height, guest, natural);
        return QRect(QPoint(qMax(0, pos.x()), qMax(0, pos.y())), size);
    }
    const QSize size(guest.width(), guest.height() + MainWindowLayout::kBarsHeight);
    const int x = qMax(0, (screen.width() - size.width()) / 2);
    const int y = qMax(0, (screen.height() - size.height()) / 2);
    return QRect(screen.topLeft() + QPoint(x, y), size);
}
