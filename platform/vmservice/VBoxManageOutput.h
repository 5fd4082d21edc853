#pragma once

#include "VBoxManageRunner.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// Reading what VBoxManage prints, in the formats of VirtualBox's manual and
// in the host's code set (VBoxManageCodeSet). Lines that do not have the
// expected form (a "WARNING:" notice and its indented continuation lines,
// banners, stray text) are skipped.
namespace VBoxManageOutput {

struct VmEntry
{
    QString name;
    QString uuid; // lowercase, in braces
    // False for a machine whose settings file VirtualBox cannot read: it
    // lists the machine as "<inaccessible>", which is no name at all.
    bool accessible = true;
};

// `list vms`: one `"name" {uuid}` line per machine; the name may hold spaces
// and quotes. An inaccessible machine has an empty name.
QList<VmEntry> parseVmList(const QByteArray &out);

// `showvminfo --machinereadable`: `key="value"` and `key=number` lines; keys
// may be quoted too; quoted texts use backslash escapes.
QHash<QString, QString> parseMachineReadable(const QByteArray &out);

// The names of all shared folders a machine-readable listing shows
// (permanent, transient and global).
QStringList sharedFolderNames(const QHash<QString, QString> &info);

// `--version`: the first line that reads as a version ("7.0.18r162988"),
// after any WARNING lines. Empty when no line does.
QString parseVersion(const QByteArray &out);

// What a failed call means to the caller.
enum class Failure {
    None,                // it succeeded
    NotInstalled,        // no VBoxManage, or it cannot be run
    NotFound,            // the machine (or object) named does not exist
    EngineNotInitialised, // VBoxManage could not reach the VirtualBox service
    CommunicationFailed, // the call hung, crashed, or the service dropped it
    Locked,              // the machine is locked by a session, or its session is being unlocked
    Failed,              // any other error VBoxManage reported
};

Failure classify(const VBoxManageRunner::Result &result);

// The line of VBoxManage's error output that says what went wrong.
QString errorLine(const VBoxManageRunner::Result &result);

// The reason code of VMService::start() for a failure; `Failed` and
// `Locked` count as a machine start failure.
int startReason(Failure failure);

} // namespace VBoxManageOutput
