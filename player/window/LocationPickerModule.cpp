#include "window/LocationPickerModule.h"

#include "window/FeatureModule.h"
#include "window/LocationPickerFactory.h"

#include <QDebug>
#include <QPluginLoader>

LocationPickerFactory *LocationPickerModule::factory()
{
    static LocationPickerFactory *loaded = nullptr;
    if (loaded != nullptr)
        return loaded;
    const QString file = FeatureModule::locate(QStringLiteral("tavenor_map"));
    if (file.isEmpty()) {
        qDebug() << "location picker module not found";
        return nullptr;
    }
    // The loader is not deleted: the web engine cannot be unloaded.
    auto *loader = new QPluginLoader(file);
    loader->setLoadHints(QLibrary::ResolveAllSymbolsHint);
    loaded = qobject_cast<LocationPickerFactory *>(loader->instance());
    if (loaded == nullptr) {
        qDebug() << "location picker module not loaded:"
                 << (loader->isLoaded() ? QStringLiteral("not a location picker") : loader->errorString());
        delete loader;
    }
    return loaded;
}
