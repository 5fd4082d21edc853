#pragma once

#include "VBoxManageRunner.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// Reading what VBoxManage prints, in the formats of VirtualBox's manual.
// Lines that do not have the expected form (a "WARNING:" notice and its
// indented continuation lines, banners, stray text) are skipped.
namespace VBoxManageOutput {

struct VmEntry
{
    QString name;
    QString uuid; // lowercase, in braces
};

// `list vms`: one `"name" {uuid}` line per machine; the name may hold spaces
// and quotes.
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
    Failed,              // any other error VBoxManage reported
};

Failure classify(const VBoxManageRunner::Result &result);

// The reason code of VMService::start() for a failure; `Failed` counts as a
// machine start failure.
int startReason(Failure failure);

} // namespace VBoxManageOutput
