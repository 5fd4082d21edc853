#include "settings/PhoneIdentity.h"

#include "settings/ImeiGenerator.h"
#include "settings/SettingsDefaults.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

namespace {

template <typename MakeDefault>
QString readOrWriteBack(SettingsStore &store, const char *key, MakeDefault makeDefault)
{
    QString value = store.stringValue(key);
    if (!value.isEmpty())
        return value;
    value = makeDefault();
    store.setValue(key, value);
    return value;
}

} // namespace

PhoneIdentity readPhoneIdentity(SettingsStore &store)
{
    PhoneIdentity identity;
    identity.brand = readOrWriteBack(store, SettingsKeys::kBrand,
                                     [] { return QString::fromLatin1(SettingsDefaults::kBrand); });
    identity.model = readOrWriteBack(store, SettingsKeys::kModel,
                                     [] { return QString::fromLatin1(SettingsDefaults::kModel); });
    identity.number = store.stringValue(SettingsKeys::kNumber,
                                        QString::fromLatin1(SettingsDefaults::kNumber));
    identity.imei = readOrWriteBack(store, SettingsKeys::kImei, [] { return generateImei(); });
    return identity;
}
