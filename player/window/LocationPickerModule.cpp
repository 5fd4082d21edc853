#include "window/LocationPickerModule.h"

#include "display/RuntimeLibrary.h"
#include "window/LocationPickerFactory.h"

#include <QDebug>

namespace {

// A path that replaces the module beside the program (tests).
constexpr char kModuleOverrideVariable[] = "TAVENOR_LOCATION_PICKER_MODULE";

// What Q_PLUGIN_METADATA exports: the plugin's one object.
using PluginInstance = QObject *(*)();

} // namespace

LocationPickerFactory *LocationPickerModule::factory()
{
    static LocationPickerFactory *loaded = nullptr;
    if (loaded != nullptr)
        return loaded;
    RuntimeLibrary module(QStringLiteral(LOCATION_PICKER_MODULE_NAME), kModuleOverrideVariable);
    if (!module.load()) {
        qDebug() << "location picker module not loaded:" << module.errorString();
        return nullptr;
    }
    const auto instance = module.resolve<PluginInstance>("qt_plugin_instance");
    loaded = instance != nullptr ? qobject_cast<LocationPickerFactory *>(instance()) : nullptr;
    if (loaded == nullptr)
        qDebug() << "location picker module not loaded: not a location picker";
    return loaded;
}
