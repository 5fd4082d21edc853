#include "TitleBarGlyphs.h"

#include <QPainter>
#include <QPixmap>

namespace {
constexpr qreal kGlyphSize = 10;

QColor glyphColour(QIcon::Mode mode, TitleBarGlyph glyph)
{
    if (glyph == TitleBarGlyph::Close && mode != QIcon::Normal)
        return QColor(0xff, 0xff, 0xff);
    return mode == QIcon::Normal ? QColor(0xb4, 0xb4, 0xb4) : QColor(0xf0, 0xf0, 0xf0);
}

QColor backgroundColour(QIcon::Mode mode, TitleBarGlyph glyph)
{
    const bool close = glyph == TitleBarGlyph::Close;
    switch (mode) {
    case QIcon::Active:
        return close ? QColor(0xc4, 0x2b, 0x1c) : QColor(0x3c, 0x3c, 0x3c);
    case QIcon::Selected:
        return close ? QColor(0x94, 0x1f, 0x14) : QColor(0x2c, 0x2c, 0x2c);
    default:
        return Qt::transparent;
    }
}

void drawGlyph(QPainter &painter, TitleBarGlyph glyph, const QRectF &box)
{
    switch (glyph) {
    case TitleBarGlyph::Minimise:
        painter.drawLine(QPointF(box.left(), box.center().y()), QPointF(box.right(), box.center().y()));
        break;
    case TitleBarGlyph::FullScreen:
        painter.drawRect(box);
        break;
    case TitleBarGlyph::LeaveFullScreen: {
        const qreal step = box.width() / 4;
        const QRectF front = box.adjusted(0, step, -step, 0);
        painter.drawRect(front);
        painter.drawPolyline(QPolygonF({QPointF(box.left() + step, front.top()),
                                        QPointF(box.left() + step, box.top()),
                                        QPointF(box.right(), box.top()),
                                        QPointF(box.right(), front.bottom() - step),
                                        QPointF(front.right(), front.bottom() - step)}));
        break;
    }
    case TitleBarGlyph::Close:
        painter.drawLine(box.topLeft(), box.bottomRight());
        painter.drawLine(box.topRight(), box.bottomLeft());
        break;
    }
}

QPixmap drawButton(TitleBarGlyph glyph, QIcon::Mode mode, QSize size, int density)
{
    QPixmap pixmap(size * density);
    pixmap.setDevicePixelRatio(density);
    pixmap.fill(backgroundColour(mode, glyph));

    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(glyphColour(mode, glyph));
    pen.setWidthF(1.2);
    pen.setCapStyle(Qt::SquareCap);
    painter.setPen(pen);
    QRectF box(0, 0, kGlyphSize, kGlyphSize);
    box.moveCenter(QRectF(QPointF(0, 0), QSizeF(size)).center());
    drawGlyph(painter, glyph, box);
    return pixmap;
}
}

QIcon titleBarGlyphIcon(TitleBarGlyph glyph, QSize size)
{
    QIcon icon;
    for (QIcon::Mode mode : {QIcon::Normal, QIcon::Active, QIcon::Selected}) {
        for (int density : {1, 2})
            icon.addPixmap(drawButton(glyph, mode, size, density), mode);
    }
    return icon;
}
