#pragma once

#include <QString>

// The instance name: "tavenor" unless the first command-line argument
// replaces it (main sets it before anything else reads it). It names the
// single-instance key, the instance settings store, the virtual machine and
// the instance's definition and data disk files.
QString instanceName();
void setInstanceName(const QString &name);
