#pragma once

#include "window/LocationPickerFactory.h"

#include <QObject>

// The location picker's module: its one object makes MapDialogs.
class MapPickerPlugin : public QObject, public LocationPickerFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID LocationPickerFactory_iid)
    Q_INTERFACES(LocationPickerFactory)

public:
    QWidget *create(QWidget *parent, const QString &instance) override;
};
