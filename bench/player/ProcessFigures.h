#pragma once

#include <QList>
#include <QString>

// What /proc tells of one process: resident and proportional memory, CPU
// time, threads and open descriptors. Sizes in kB, times in ms; -1 where the
// process is gone.
struct ProcessFigures
{
    qint64 rssKb = -1;
    qint64 pssKb = -1;
    qint64 privateKb = -1; // pages no other process maps
    qint64 cpuMs = -1;
    int threads = -1;
    int descriptors = -1;

    static ProcessFigures of(qint64 pid);
    // Pss (smaps_rollup) of one process.
    static qint64 pssOf(qint64 pid);
    // Private_Clean plus Private_Dirty (smaps_rollup) of one process.
    static qint64 privateOf(qint64 pid);
    // The pids below pid, children first, grandchildren after.
    static QList<qint64> descendants(qint64 pid);
    // The program name (comm) of pid.
    static QString name(qint64 pid);
};
