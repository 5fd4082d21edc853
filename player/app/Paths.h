#pragma once

#include <QString>

// Where the player finds its install files and keeps the user's files. All
// paths use forward slashes. vmFolder(), dataFolder() and dataDiskPath()
// create their folder when it is missing, on every call; a folder that
// cannot be created is not reported.

// The folder of the player executable: template, blank data disk, channel
// file and updater.
QString installDir();
// The parent of the program's per-user data location, plus "/Tavenor": the
// VM definition, the system disk and the downloaded splash files.
QString vmFolder();
// The shared store's "data_path" (default: the first documents folder),
// plus "/Tavenor": the data disks.
QString dataFolder();

QString vmTemplatePath();
QString pristineDataDiskPath();
// The updater program, started at every start (".exe" on Windows).
QString updaterPath();
QString channelFilePath();
QString systemDiskPath();
QString vmDefinitionPath(const QString &name);
// "data.vdi" for the empty name, else "data_<name>.vdi", in dataFolder().
QString dataDiskPath(const QString &name);

// The virtualization device library named in the VM definition, inside the
// Windows folder; empty where there is no Windows folder.
QString vtDevicePath();
// The same, for a given Windows folder: its "sysWOW64" subfolder when that
// exists (64-bit Windows), else its "system32" subfolder.
QString vtDevicePathIn(const QString &windowsFolder);
