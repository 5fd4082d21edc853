#pragma once

#include <QString>
#include <QWidget>

// The picture area of the splash: an optional tiled background and a
// foreground picture centred on it, shrunk to fit when it is larger than
// the area (never enlarged).
class TSplashImage : public QWidget
{
    Q_OBJECT

public:
    explicit TSplashImage(QWidget *parent = nullptr);

    // Empty paths mean none.
    void setImages(const QString &background, const QString &foreground);

    // Where a foreground picture of `picture` size is drawn in an area of
    // `area` size.
    static QRect foregroundRect(const QSize &picture, const QSize &area);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_background;
    QString m_foreground;
};
