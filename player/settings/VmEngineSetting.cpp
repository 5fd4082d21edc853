#include "settings/VmEngineSetting.h"

#include "settings/SettingsDefaults.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QDebug>

VmEngine readVmEngine(const SettingsStore &store)
{
    const QString engine = store.stringValue(SettingsKeys::kEngine).trimmed().toLower();
    if (engine == QLatin1String(SettingsDefaults::kEngineSimulator))
        return VmEngine::Simulator;
    if (!engine.isEmpty() && engine != QLatin1String(SettingsDefaults::kEngineVirtualBox))
        qDebug() << "unknown engine, using virtualbox" << engine;
    return VmEngine::VirtualBox;
}
