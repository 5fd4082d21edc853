#pragma once

#include "SimStateFormat.h"

#include <QString>

// The state folder of a simulated machine, in the layout SimStateFormat.h
// describes. Callers serialise access (the registry lock); every write
// replaces the whole file through a rename.
class SimStateFolder
{
public:
    explicit SimStateFolder(QString path);

    // <folder of the definition>/<machine name>.sim, with any path separator
    // in the name replaced so that the folder stays beside the definition.
    static QString pathFor(const QString &definitionPath, const QString &machineName);

    const QString &path() const { return m_path; }
    QString filePath(const char *file) const;

    bool create() const;
    simstate::Entries read(const char *file) const;
    bool write(const char *file, const simstate::Entries &entries) const;
    bool setEntry(const char *file, const QString &name, const QString &value) const;
    bool writeHardware(int cpuCount, int memoryMB) const;

private:
    QString m_path;
};
