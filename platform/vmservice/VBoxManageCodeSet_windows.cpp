#include "VBoxManageCodeSet.h"

namespace VBoxManageCodeSet {

QString decode(const QByteArray &bytes)
{
    return QString::fromLocal8Bit(bytes);
}

} // namespace VBoxManageCodeSet
