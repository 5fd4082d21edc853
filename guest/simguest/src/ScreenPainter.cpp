#include "ScreenPainter.h"

#include "ScreenGeometry.h"
#include "ScreenLayout.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor kBackground(0x1f, 0x28, 0x33);
const QColor kStatusBar(0x10, 0x14, 0x18);
const QColor kCard(0x2b, 0x36, 0x44);
const QColor kText(0xec, 0xef, 0xf1);
const QColor kDimText(0x9e, 0xa7, 0xb0);
const QColor kAccent(0x42, 0x85, 0xf4);
const QColor kOn(0x4c, 0xaf, 0x50);
const QColor kOff(0x75, 0x75, 0x75);

const char *const kAgents[] = {"vinput", "misc", "clipboard", "ime", "gl"};

QFont fontOfSize(int pixels, bool bold = false)
{
    QFont font;
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

// A stable colour for an app's icon.
QColor appColour(const QString &name)
{
    return QColor::fromHsv(int(qHash(name) % 360), 150, 210);
}

void drawLine(QPainter &p, const QRect &box, int &y, const QString &text,
              const QColor &colour = kText)
{
    const QFontMetrics metrics(p.font());
    if (y + metrics.height() > box.bottom() - 8)
        return;
    p.setPen(colour);
    p.drawText(QPoint(box.left() + 16, y + metrics.ascent()),
               metrics.elidedText(text, Qt::ElideRight, box.width() - 32));
    y += metrics.height() + 4;
}

void drawCard(QPainter &p, const QRect &box, const QString &title)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kCard);
    p.drawRoundedRect(box, 12, 12);
    p.setFont(fontOfSize(18, true));
    p.setPen(kAccent);
    p.drawText(box.adjusted(16, 10, -16, 0), Qt::AlignLeft | Qt::AlignTop, title);
}

void drawButton(QPainter &p, const QRect &box, const QString &label, const QColor &colour = kAccent)
{
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRoundedRect(box, 10, 10);
    p.setPen(Qt::white);
    p.setFont(fontOfSize(18, true));
    p.drawText(box, Qt::AlignCenter, label);
}

void drawStatusBar(QPainter &p, const ScreenLayout &layout, const ScreenState &state)
{
    p.fillRect(layout.statusBar, kStatusBar);
    p.setFont(fontOfSize(16, true));
    p.setPen(kText);
    p.drawText(layout.statusBar.adjusted(40, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
               state.booted ? QStringLiteral("Tavenor") : QStringLiteral("Tavenor (booting)"));
    int x = layout.statusBar.right() - 12;
    p.setFont(fontOfSize(13));
    for (auto it = std::rbegin(kAgents); it != std::rend(kAgents); ++it) {
        const QString name = QString::fromLatin1(*it);
        const int width = QFontMetrics(p.font()).horizontalAdvance(name) + 22;
        const QRect box(x - width, 6, width, 20);
        p.setPen(Qt::NoPen);
        p.setBrush(state.links.value(name) ? kOn : kOff);
        p.drawRoundedRect(box, 6, 6);
        p.setPen(Qt::white);
        p.drawText(box, Qt::AlignCenter, name);
        x -= width + 6;
    }
}

void drawNavBar(QPainter &p, const ScreenLayout &layout)
{
    p.fillRect(layout.navBar, Qt::black);
    p.setFont(fontOfSize(18, true));
    p.setPen(kText);
    p.drawText(layout.backButton, Qt::AlignCenter, QStringLiteral("Back"));
    p.drawText(layout.homeButton, Qt::AlignCenter, QStringLiteral("Home"));
    p.drawText(layout.recentsButton, Qt::AlignCenter, QStringLiteral("Recents"));
}

void drawIdentity(QPainter &p, const ScreenLayout &layout, const ScreenState &state)
{
    drawCard(p, layout.identity, QStringLiteral("This phone"));
    p.setFont(fontOfSize(17));
    int y = layout.identity.top() + 44;
    drawLine(p, layout.identity, y, QStringLiteral("%1 %2").arg(state.brand, state.model));
    drawLine(p, layout.identity, y, QStringLiteral("IMEI %1").arg(state.imei));
    drawLine(p, layout.identity, y, QStringLiteral("Phone %1").arg(state.phoneNumber));
    drawLine(p, layout.identity, y, QStringLiteral("DPI %1").arg(state.dpi));
    drawLine(p, layout.identity, y, QStringLiteral("Rotation %1").arg(state.rotation), kDimText);
}

QString onOff(bool on)
{
    return on ? QStringLiteral("on") : QStringLiteral("off");
}

void drawInfo(QPainter &p, const ScreenLayout &layout, const ScreenState &state)
{
    drawCard(p, layout.info, QStringLiteral("Guest state"));
    p.setFont(fontOfSize(16));
    int y = layout.info.top() + 44;
    const QRect &box = layout.info;
    drawLine(p, box, y, QStringLiteral("Key-mapping engine: %1").arg(onOff(state.engineEnabled)));
    drawLine(p, box, y,
             QStringLiteral("Mouse lock allowed: %1").arg(onOff(state.mouseLockAllowed)));
    drawLine(p, box, y, QStringLiteral("GPS %1  %2").arg(onOff(state.gpsOn), state.gpsFix));
    drawLine(p, box, y,
             QStringLiteral("Clipboard: %1")
                 .arg(QString(state.clipboard).replace(QLatin1Char('\n'), QLatin1Char(' '))));
    drawLine(p, box, y, QStringLiteral("Last key: %1").arg(state.lastKey), kDimText);
    drawLine(p, box, y, QStringLiteral("Wheel: %1").arg(state.lastWheel), kDimText);
    drawLine(p, box, y,
             QStringLiteral("Zoom: %1 (level %2)").arg(state.lastZoom).arg(state.zoomLevel),
             kDimText);
    drawLine(p, box, y,
             QStringLiteral("Mouse %1,%2 left %3 right %4")
                 .arg(state.cursor.x())
                 .arg(state.cursor.y())
                 .arg(state.mouseLeftDown ? QStringLiteral("down") : QStringLiteral("up"))
                 .arg(state.rightButton),
             kDimText);
    drawLine(p, box, y, QStringLiteral("Shakes: %1").arg(state.shakes), kDimText);
}

void drawTextField(QPainter &p, const ScreenLayout &layout, const ScreenState &state)
{
    p.setPen(QPen(kAccent, 2));
    p.setBrush(Qt::white);
    p.drawRoundedRect(layout.textField, 8, 8);
    p.setFont(fontOfSize(20));
    const QString lastLine = state.typed.section(QLatin1Char('\n'), -1);
    const QRect inner = layout.textField.adjusted(14, 0, -14, 0);
    const QString shown = state.typed.isEmpty()
                              ? QStringLiteral("Type here")
                              : QFontMetrics(p.font()).elidedText(lastLine + QLatin1Char('|'),
                                                                  Qt::ElideLeft, inner.width());
    p.setPen(state.typed.isEmpty() ? kOff : Qt::black);
    p.drawText(inner, Qt::AlignLeft | Qt::AlignVCenter, shown);
}

void drawLauncher(QPainter &p, const ScreenLayout &layout, const ScreenState &state)
{
    p.setFont(fontOfSize(15));
    const QFontMetrics metrics(p.font());
    for (int i = 0; i < state.apps.size(); ++i) {
        const QRect tile = layout.launcherTile(i);
        if (tile.isNull())
            break;
        const QString &name = state.apps.at(i);
        const QRect icon(tile.left() + (tile.width() - ScreenLayout::kIconSize) / 2, tile.top() + 4,
                         ScreenLayout::kIconSize, ScreenLayout::kIconSize);
        p.setPen(Qt::NoPen);
        p.setBrush(appColour(name));
        p.drawRoundedRect(icon, 22, 22);
        p.setPen(Qt::white);
        p.setFont(fontOfSize(40, true));
        const QString label = name.section(QLatin1Char('.'), -1);
        p.drawText(icon, Qt::AlignCenter, label.left(1).toUpper());
        p.setFont(fontOfSize(15));
        p.setPen(kText);
        p.drawText(QRect(tile.left(), icon.bottom() + 4, tile.width(), metrics.height()),
                   Qt::AlignHCenter, metrics.elidedText(label, Qt::ElideRight, tile.width() - 4));
    }
    if (state.apps.isEmpty()) {
        p.setPen(kDimText);
        p.drawText(layout.launcher, Qt::AlignCenter, QStringLiteral("No apps installed yet"));
    }
}

void drawHome(QPainter &p, const ScreenLayout &layout, const ScreenState &state)
{
    drawIdentity(p, layout, state);
    drawInfo(p, layout, state);
    drawTextField(p, layout, state);
    drawButton(p, layout.copyButton, QStringLiteral("Copy to host"));
    drawButton(p, layout.rotateButton, QStringLiteral("Rotate"));
    drawButton(p, layout.gameButton, QStringLiteral("Game"), kOn);
    drawLauncher(p, layout, state);
}

void drawApp(QPainter &p, const ScreenLayout &layout, const ScreenState &state)
{
    p.fillRect(layout.content, appColour(state.openApp).darker(160));
    p.setPen(Qt::white);
    p.setFont(fontOfSize(40, true));
    p.drawText(layout.content, Qt::AlignCenter, state.openApp);
}

void drawGame(QPainter &p, const ScreenLayout &layout, const ScreenState &state)
{
    p.fillRect(layout.content, QColor(0x10, 0x30, 0x18));
    p.setPen(kText);
    p.setFont(fontOfSize(24, true));
    p.drawText(layout.content.adjusted(0, 24, 0, 0), Qt::AlignHCenter | Qt::AlignTop,
               QStringLiteral("Game: mouse lock %1")
                   .arg(state.mouseLockAllowed ? QStringLiteral("allowed")
                                               : QStringLiteral("not allowed")));
}

void drawEditor(QPainter &p, const ScreenLayout &layout)
{
    p.fillRect(layout.content, QColor(0, 0, 0, 140));
    drawCard(p, layout.editorPanel, QStringLiteral("Key-mapping editor"));
    p.setPen(kText);
    p.setFont(fontOfSize(17));
    p.drawText(layout.editorPanel.adjusted(16, 60, -16, -80),
               Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
               QStringLiteral("Drag keys onto the game to map them."));
    drawButton(p, layout.editorClose, QStringLiteral("Close"));
}

void drawRecents(QPainter &p, const ScreenLayout &layout, const ScreenState &state)
{
    p.fillRect(layout.content, QColor(0, 0, 0, 160));
    drawCard(p, layout.recentsPanel, QStringLiteral("Recent apps"));
    p.setFont(fontOfSize(18));
    int y = layout.recentsPanel.top() + 50;
    if (state.recents.isEmpty())
        drawLine(p, layout.recentsPanel, y, QStringLiteral("Nothing opened yet"), kDimText);
    for (const QString &name : state.recents)
        drawLine(p, layout.recentsPanel, y, name);
}

void drawNotice(QPainter &p, const ScreenLayout &layout, const ScreenState &state)
{
    if (state.notice.isEmpty())
        return;
    p.setFont(fontOfSize(18));
    const QFontMetrics metrics(p.font());
    const QString text = metrics.elidedText(state.notice, Qt::ElideRight, layout.size.width() - 80);
    QRect box(0, 0, metrics.horizontalAdvance(text) + 40, metrics.height() + 20);
    box.moveCenter(QPoint(layout.size.width() / 2, layout.navBar.top() - 40));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x32, 0x32, 0x32, 230));
    p.drawRoundedRect(box, box.height() / 2, box.height() / 2);
    p.setPen(Qt::white);
    p.drawText(box, Qt::AlignCenter, text);
}

void drawPointers(QPainter &p, const ScreenState &state)
{
    p.setFont(fontOfSize(14, true));
    for (const ScreenState::TouchMark &touch : state.touches) {
        const QPoint at = screen::frameToLayout(state.rotation, touch.framePoint);
        const QColor colour(0xff, 0x98, 0x00);
        p.setPen(QPen(colour, 3));
        p.setBrush(touch.action == 1 ? QBrush(Qt::NoBrush) : QBrush(QColor(0xff, 0x98, 0x00, 120)));
        p.drawEllipse(at, 18, 18);
        p.setPen(Qt::white);
        p.drawText(QRect(at - QPoint(18, 18), QSize(36, 36)), Qt::AlignCenter,
                   QString::number(touch.contact));
    }
    const QPoint cursor = screen::frameToLayout(state.rotation, state.cursor);
    p.setPen(QPen(state.mouseLeftDown ? Qt::red : Qt::white, 2));
    p.drawLine(cursor - QPoint(12, 0), cursor + QPoint(12, 0));
    p.drawLine(cursor - QPoint(0, 12), cursor + QPoint(0, 12));
}

void drawBoot(QPainter &p, const ScreenLayout &layout)
{
    p.fillRect(layout.content, Qt::black);
    p.setPen(kText);
    p.setFont(fontOfSize(48, true));
    p.drawText(layout.content, Qt::AlignCenter, QStringLiteral("tavenor"));
}

} // namespace

QImage paintScreen(const ScreenState &state)
{
    const int rotation = screen::isValidRotation(state.rotation) ? state.rotation : 0;
    const ScreenLayout layout = ScreenLayout::forSize(screen::layoutSize(rotation));
    // Painted straight in the stream's byte order: a conversion afterwards
    // would cost a copy (and Qt spreads large conversions over its thread pool).
    QImage frame(screen::kFrameWidth, screen::kFrameHeight, QImage::Format_RGBA8888_Premultiplied);
    {
        QPainter p(&frame);
        p.setTransform(screen::layoutToFrame(rotation));
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.fillRect(QRect(QPoint(0, 0), layout.size), kBackground);
        drawStatusBar(p, layout, state);
        drawNavBar(p, layout);
        if (!state.booted) {
            drawBoot(p, layout);
        } else if (state.page == ScreenState::Page::App) {
            drawApp(p, layout, state);
        } else if (state.page == ScreenState::Page::Game) {
            drawGame(p, layout, state);
        } else {
            drawHome(p, layout, state);
        }
        if (state.booted && state.recentsShown)
            drawRecents(p, layout, state);
        if (state.booted && state.editorShown)
            drawEditor(p, layout);
        drawNotice(p, layout, state);
        drawPointers(p, state);
        p.fillRect(layout.marker, ScreenLayout::markerColour());
    }
    // Every pixel is opaque, so the premultiplied bytes are the straight ones.
    frame.reinterpretAsFormat(QImage::Format_RGBA8888);
    return frame;
}
