#include "TSwitch.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPropertyAnimation>

namespace {
constexpr int kSlideMs = 150;
constexpr qreal kTrackLength = 36;
constexpr qreal kTrackThickness = 20;
constexpr qreal kKnobInset = 2;
const QColor kOffColour(0x5a, 0x5a, 0x5a);
const QColor kOnColour(0x2f, 0xb3, 0x5f);
const QColor kKnobColour(0xf2, 0xf2, 0xf2);

QColor blend(const QColor &from, const QColor &to, qreal t)
{
    return QColor::fromRgbF(from.redF() + (to.redF() - from.redF()) * t,
                            from.greenF() + (to.greenF() - from.greenF()) * t,
                            from.blueF() + (to.blueF() - from.blueF()) * t);
}
}

TSwitch::TSwitch(QWidget *parent)
    : QWidget(parent)
    , m_animation(new QPropertyAnimation(this, "knobPosition", this))
{
    setObjectName(QStringLiteral("switch"));
    m_animation->setObjectName(QStringLiteral("knobAnimation"));
    m_animation->setDuration(kSlideMs);
    m_animation->setEasingCurve(QEasingCurve::OutCubic);
    setCursor(Qt::PointingHandCursor);
}

TSwitch::~TSwitch() = default;

void TSwitch::setValue(bool on)
{
    if (on == m_value)
        return;
    m_value = on;
    slideKnob();
}

bool TSwitch::value() const
{
    return m_value;
}

void TSwitch::setHorizontal(bool horizontal)
{
    if (horizontal == m_horizontal)
        return;
    m_horizontal = horizontal;
    updateGeometry();
    update();
}

bool TSwitch::isHorizontal() const
{
    return m_horizontal;
}

qreal TSwitch::knobPosition() const
{
    return m_knobPosition;
}

void TSwitch::setKnobPosition(qreal position)
{
    m_knobPosition = qBound<qreal>(0, position, 1);
    update();
}

QSize TSwitch::sizeHint() const
{
    return QSize(48, 48);
}

QSize TSwitch::minimumSizeHint() const
{
    const QSize track{int(kTrackLength), int(kTrackThickness)};
    return m_horizontal ? track : track.transposed();
}

void TSwitch::slideKnob()
{
    m_animation->stop();
    m_animation->setStartValue(m_knobPosition);
    m_animation->setEndValue(m_value ? 1.0 : 0.0);
    m_animation->start();
}

QRectF TSwitch::trackRect() const
{
    QRectF track(0, 0, kTrackLength, kTrackThickness);
    if (!m_horizontal)
        track = QRectF(0, 0, kTrackThickness, kTrackLength);
    track.moveCenter(QRectF(rect()).center());
    return track;
}

void TSwitch::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(0.4);

    const QRectF track = trackRect();
    const qreal radius = kTrackThickness / 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(blend(kOffColour, kOnColour, m_knobPosition));
    painter.drawRoundedRect(track, radius, radius);

    const qreal knob = kTrackThickness - 2 * kKnobInset;
    const qreal travel = kTrackLength - kTrackThickness;
    QRectF knobRect(0, 0, knob, knob);
    if (m_horizontal)
        knobRect.moveTopLeft(track.topLeft() + QPointF(kKnobInset + travel * m_knobPosition, kKnobInset));
    else
        knobRect.moveTopLeft(track.topLeft() + QPointF(kKnobInset, kKnobInset + travel * (1 - m_knobPosition)));
    painter.setBrush(kKnobColour);
    painter.drawEllipse(knobRect);
}

void TSwitch::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    m_pressed = true;
}

void TSwitch::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_pressed) {
        event->ignore();
        return;
    }
    m_pressed = false;
    if (!rect().contains(event->pos()))
        return;
    m_value = !m_value;
    slideKnob();
    emit onValueChanged(m_value);
}
