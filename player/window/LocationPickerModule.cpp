#include "window/LocationPickerModule.h"

#include "window/FeatureModule.h"
#include "window/LocationPickerFactory.h"

#include <QDebug>
#include <QPluginLoader>

LocationPickerFactory *LocationPickerModule::factory()
{
    // Never unloaded (its destructor leaves the plugin in): the web engine
    // cannot be.
    static QPluginLoader loader;
    if (loader.isLoaded())
        return qobject_cast<LocationPickerFactory *>(loader.instance());
    const QString file = FeatureModule::locate(QStringLiteral("tavenor_map"));
    if (file.isEmpty()) {
        qDebug() << "location picker module not found";
        return nullptr;
    }
    loader.setFileName(file);
    loader.setLoadHints(QLibrary::ResolveAllSymbolsHint);
    auto *factory = qobject_cast<LocationPickerFactory *>(loader.instance());
    if (factory == nullptr)
        qDebug() << "location picker module not loaded:"
                 << (loader.isLoaded() ? QStringLiteral("not a location picker") : loader.errorString());
    return factory;
}
