#pragma once

#include <QByteArray>
#include <QString>

// VBoxManage converts what it prints from UTF-8 to the host's code set, so a
// machine name or path outside ASCII reaches us in that code set: on Windows
// the system's 8-bit code page (Qt's local 8-bit codec), elsewhere the
// charset of the locale VBoxManage runs in, which it takes from the
// environment it inherits from us. Qt's local 8-bit codec is UTF-8 on Linux
// whatever the locale says, so it does not serve there.
namespace VBoxManageCodeSet {

QString decode(const QByteArray &bytes);

} // namespace VBoxManageCodeSet
