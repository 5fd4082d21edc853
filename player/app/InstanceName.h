#pragma once

#include <QString>

// The instance name: "tavenor" unless the first command-line argument
// replaces it (main sets it before anything else reads it). It names the
// single-instance key, the instance settings store, the virtual machine and
// the instance's definition and data disk files.
QString instanceName();
void setInstanceName(const QString &name);

// Why name cannot be an instance name, or the empty text when it can. The
// name becomes part of file names in the VM and data folders, so it must be
// a plain file name: not empty, not "." or "..", without a path separator
// ('/' or '\\') or a control character.
QString instanceNameProblem(const QString &name);
