#include "app/Paths.h"

#include "app/WindowsFolder.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace {

const QString kTavenor = QStringLiteral("Tavenor");

QString firstLocation(QStandardPaths::StandardLocation location)
{
    return QStandardPaths::standardLocations(location).value(0);
}

} // namespace

QString installDir()
{
    return QCoreApplication::applicationDirPath();
}

QString vmFolder()
{
    QDir parent(firstLocation(QStandardPaths::DataLocation));
    parent.cdUp();
    if (!parent.exists(kTavenor))
        parent.mkdir(kTavenor);
    return parent.absolutePath() + QLatin1Char('/') + kTavenor;
}

QString dataFolder()
{
    const SettingsStore shared(QString::fromLatin1(SettingsStore::kSharedApplication));
    const QString parent = shared.stringValue(SettingsKeys::kDataPath,
                                              firstLocation(QStandardPaths::DocumentsLocation));
    const QString folder = QDir::fromNativeSeparators(parent) + QLatin1Char('/') + kTavenor;
    if (!QDir(folder).exists())
        QDir().mkpath(folder);
    return folder;
}

QString vmTemplatePath()
{
    return installDir() + QStringLiteral("/Tavenor.vbox-example");
}

QString pristineDataDiskPath()
{
    return installDir() + QStringLiteral("/data.vdi");
}

QString updaterPath()
{
#if defined(Q_OS_WIN)
    return installDir() + QStringLiteral("/TavenorUpdater.exe");
#else
    return installDir() + QStringLiteral("/TavenorUpdater");
#endif
}

QString channelFilePath()
{
    return installDir() + QStringLiteral("/channel.txt");
}

QString systemDiskPath()
{
    return vmFolder() + QStringLiteral("/system.vdi");
}

QString vmDefinitionPath(const QString &name)
{
    return vmFolder() + QLatin1Char('/') + name + QStringLiteral(".vbox");
}

QString dataDiskPath(const QString &name)
{
    const QString folder = dataFolder();
    if (name.isEmpty())
        return folder + QStringLiteral("/data.vdi");
    return folder + QStringLiteral("/data_") + name + QStringLiteral(".vdi");
}

QString vtDevicePath()
{
    return vtDevicePathIn(windowsFolder());
}

QString vtDevicePathIn(const QString &windowsFolder)
{
    if (windowsFolder.isEmpty())
        return QString();
    QDir folder(windowsFolder);
    if (folder.cd(QStringLiteral("sysWOW64")))
        return folder.path() + QStringLiteral("/TavenorVt.dll");
    return windowsFolder + QStringLiteral("/system32/TavenorVt.dll");
}
