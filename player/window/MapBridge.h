#pragma once

#include <QObject>
#include <QString>

// What the map page sees of the player, published as "tavenor" on the web
// channel: the tile server, the saved place (if any), the notice for
// missing tiles in the user's language, and onClickedOnMap, which hands the
// clicked place on as clicked(). A plain object rather than the dialog
// itself, so that the page reaches none of a window's slots and properties.
class MapBridge : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString tileUrl MEMBER m_tileUrl CONSTANT)
    Q_PROPERTY(bool hasSavedPosition MEMBER m_hasSavedPosition CONSTANT)
    Q_PROPERTY(double longitude MEMBER m_longitude CONSTANT)
    Q_PROPERTY(double latitude MEMBER m_latitude CONSTANT)
    Q_PROPERTY(QString tilesUnreachableText MEMBER m_tilesUnreachableText CONSTANT)

public:
    struct Setup
    {
        QString tileUrl;
        bool hasSavedPosition = false;
        double longitude = 0.0;
        double latitude = 0.0;
        QString tilesUnreachableText;
    };

    MapBridge(const Setup &setup, QObject *parent);

public slots:
    // x: longitude, y: latitude, degrees.
    void onClickedOnMap(float x, float y);

signals:
    void clicked(float x, float y);

private:
    QString m_tileUrl;
    bool m_hasSavedPosition;
    double m_longitude;
    double m_latitude;
    QString m_tilesUnreachableText;
};
