#include "window/MapBridge.h"

MapBridge::MapBridge(const Setup &setup, QObject *parent)
    : QObject(parent), m_tileUrl(setup.tileUrl), m_hasSavedPosition(setup.hasSavedPosition),
      m_longitude(setup.longitude), m_latitude(setup.latitude),
      m_tilesUnreachableText(setup.tilesUnreachableText)
{
}

void MapBridge::onClickedOnMap(float x, float y)
{
    emit clicked(x, y);
}
