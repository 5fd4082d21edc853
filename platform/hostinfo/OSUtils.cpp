#include "OSUtils.h"

#include <QMessageAuthenticationCode>

namespace {
// Names this application in the keyed hash; changing it changes every
// reported machine identifier.
constexpr char kApplicationKey[] = "tavenor-player/machine-id/1";
constexpr int kMachineIdDigits = 32;
} // namespace

QString OSUtils::applicationMachineId(const QByteArray &hostMachineId)
{
    const QByteArray id = hostMachineId.trimmed();
    if (id.isEmpty())
        return QString();
    const QByteArray mac = QMessageAuthenticationCode::hash(QByteArray(kApplicationKey), id,
                                                            QCryptographicHash::Sha256);
    return QString::fromLatin1(mac.toHex().left(kMachineIdDigits));
}
