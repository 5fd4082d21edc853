#include "TIconButton.h"

#include <QMouseEvent>
#include <QPainter>

TIconButton::TIconButton(QWidget *parent, QSize size)
    : QWidget(parent)
    , m_size(size)
{
    setObjectName(QStringLiteral("iconButton"));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    resize(size);
}

TIconButton::~TIconButton() = default;

void TIconButton::setIcon(const QIcon &icon)
{
    m_icon = icon;
    update();
}

QIcon TIconButton::icon() const
{
    return m_icon;
}

bool TIconButton::isDown() const
{
    return m_down;
}

QIcon::Mode TIconButton::currentMode() const
{
    if (!isEnabled())
        return QIcon::Disabled;
    if (m_down && m_downInside)
        return QIcon::Selected;
    if (m_hovered)
        return QIcon::Active;
    return QIcon::Normal;
}

QSize TIconButton::sizeHint() const
{
    return m_size;
}

QSize TIconButton::minimumSizeHint() const
{
    return m_size;
}

// Picks the icon's image for this widget's pixel density (the "@2x" one on
// a double-density screen) and draws it centred at its logical size.
void TIconButton::paintEvent(QPaintEvent *)
{
    const qreal density = devicePixelRatioF();
    QPixmap pixmap = m_icon.pixmap(size() * density, currentMode());
    if (pixmap.isNull())
        return;
    pixmap.setDevicePixelRatio(density);
    const QSizeF logical = QSizeF(pixmap.size()) / density;
    QPainter painter(this);
    painter.drawPixmap(QPointF((width() - logical.width()) / 2, (height() - logical.height()) / 2), pixmap);
}

void TIconButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || m_down) {
        event->ignore();
        return;
    }
    m_down = true;
    m_downInside = true;
    update();
    emit pressed();
}

void TIconButton::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_down) {
        event->ignore();
        return;
    }
    const bool inside = rect().contains(event->pos());
    if (inside != m_downInside) {
        m_downInside = inside;
        update();
    }
}

void TIconButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_down) {
        event->ignore();
        return;
    }
    const bool inside = rect().contains(event->pos());
    m_down = false;
    m_downInside = false;
    update();
    emit released();
    if (inside)
        emit clicked();
}

void TIconButton::enterEvent(QEvent *event)
{
    m_hovered = true;
    update();
    QWidget::enterEvent(event);
}

void TIconButton::leaveEvent(QEvent *event)
{
    m_hovered = false;
    update();
    QWidget::leaveEvent(event);
}

void TIconButton::hideEvent(QHideEvent *event)
{
    cancelPress();
    m_hovered = false;
    QWidget::hideEvent(event);
}

void TIconButton::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        cancelPress();
    QWidget::changeEvent(event);
}

// A button that vanishes or is disabled while held never gets its release:
// end the press now so that released() still pairs with pressed().
void TIconButton::cancelPress()
{
    if (!m_down)
        return;
    m_down = false;
    m_downInside = false;
    update();
    emit released();
}
