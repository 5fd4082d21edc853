#pragma once

#include <QtPlugin>

class QString;
class QWidget;

// What the location picker's module offers the player: the picker itself.
// The module holds the web engine, which only it links.
class LocationPickerFactory
{
public:
    virtual ~LocationPickerFactory() = default;

    // A new picker for the instance's settings store: a top-level window
    // child of parent, window-modal to it and deleted when closed; not yet
    // shown, so that the caller places it first.
    virtual QWidget *create(QWidget *parent, const QString &instance) = 0;
};

#define LocationPickerFactory_iid "com.corvane.TavenorPlayer.LocationPickerFactory/1.0"

// The module's file, beside the program.
#if defined(_WIN32)
#define LOCATION_PICKER_MODULE_NAME "libtavenor_map.dll"
#else
#define LOCATION_PICKER_MODULE_NAME "libtavenor_map.so"
#endif
Q_DECLARE_INTERFACE(LocationPickerFactory, LocationPickerFactory_iid)
