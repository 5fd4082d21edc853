#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>

// The machine's processes as /proc shows them: finding what a test started,
// and telling when it has ended.
namespace ProcessTable {

// Live processes whose environment holds entry ("NAME=value").
QList<qint64> withEnvironmentEntry(const QByteArray &entry);
// Live processes running a program whose path ends in programSuffix with
// firstArgument as their first argument.
QList<qint64> running(const QByteArray &programSuffix, const QByteArray &firstArgument);
// Ended, or a zombie waiting for its parent.
bool gone(qint64 pid);

} // namespace ProcessTable
