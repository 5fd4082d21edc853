#include "window/MapPickerPlugin.h"

#include "window/MapDialog.h"

QWidget *MapPickerPlugin::create(QWidget *parent, const QString &instance)
{
    return new MapDialog(parent, instance);
}
