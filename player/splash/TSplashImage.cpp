#include "splash/TSplashImage.h"

#include <QPainter>
#include <QPixmap>

TSplashImage::TSplashImage(QWidget *parent) : QWidget(parent) {}

void TSplashImage::setImages(const QString &background, const QString &foreground)
{
    m_background = background;
    m_foreground = foreground;
    if (!m_background.isEmpty()) {
        QPalette palette = this->palette();
        palette.setBrush(QPalette::All, QPalette::Window, QBrush(QPixmap(m_background)));
        setPalette(palette);
        setAutoFillBackground(true);
    }
    update();
}

QRect TSplashImage::foregroundRect(const QSize &picture, const QSize &area)
{
    QSize size = picture;
    if (size.width() > area.width() || size.height() > area.height())
        size = size.scaled(area, Qt::KeepAspectRatio);
    return QRect((area.width() - size.width()) / 2, (area.height() - size.height()) / 2, size.width(),
                 size.height());
}

void TSplashImage::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    if (m_foreground.isEmpty())
        return;
    const QPixmap picture(m_foreground);
    if (picture.isNull())
        return;
    const QRect target = foregroundRect(picture.size(), size());
    QPainter painter(this);
    painter.drawPixmap(target.topLeft(),
                       picture.scaled(target.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation));
}
