#pragma once

#include <QList>
#include <QString>

#include <optional>

// What the engines need from a VirtualBox machine definition file (".vbox",
// XML): the machine's name and UUID, its hardware and the disk images its
// media registry names.
struct MachineDefinition
{
    struct Medium
    {
        QString uuid;     // as written in the file
        QString location; // absolute: relative locations are resolved against the file's folder
    };

    QString path; // absolute path of the definition file
    QString name;
    QString uuid; // lowercase, in braces
    int cpuCount = 1;     // VirtualBox's default when the file names none
    int memoryMB = 128;   // likewise
    QList<Medium> media;

    // Reads the file; on failure returns nothing and, when error is given,
    // says why (file, line and what is wrong).
    static std::optional<MachineDefinition> read(const QString &path, QString *error = nullptr);

    // Rewrites the CPU count and memory size in the file as VirtualBox does
    // when they change, keeping everything else. False (with error) when the
    // file cannot be read, does not parse or cannot be replaced.
    static bool writeCpuAndMemory(const QString &path, int cpuCount, int memoryMB,
                                  QString *error = nullptr);
};
