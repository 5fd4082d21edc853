#include "loadIconWithMode.h"

#include <QFile>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace {
struct ModeImage {
    const char *suffix;
    QIcon::Mode mode;
};

constexpr ModeImage kModeImages[] = {
    {"_normal", QIcon::Normal},
    {"_hover", QIcon::Active},
    {"_pressed", QIcon::Selected},
};

// Loads one image at the given pixel density, scaled to size device-independent pixels.
QPixmap loadAt(const QString &path, QSize size, int density)
{
    if (!QFile::exists(path))
        return QPixmap();
    QPixmap pixmap(path);
    if (pixmap.isNull())
        return pixmap;
    const QSize pixels = size * density;
    if (size.isValid() && !size.isEmpty() && pixmap.size() != pixels)
        pixmap = pixmap.scaled(pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    pixmap.setDevicePixelRatio(density);
    return pixmap;
}
}

QIcon loadIconWithMode(const QString &base, QSize size)
{
    QIcon icon;
    for (const ModeImage &image : kModeImages) {
        const QString stem = base + QLatin1String(image.suffix);
        for (int density : {1, 2}) {
            const QString path = density == 1 ? stem + QLatin1String(".png")
                                              : stem + QLatin1String("@2x.png");
            const QPixmap pixmap = loadAt(path, size, density);
            if (!pixmap.isNull())
                icon.addPixmap(pixmap, image.mode);
        }
    }
    return icon;
}
