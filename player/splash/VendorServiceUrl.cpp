#include "splash/VendorServiceUrl.h"

#include "settings/SettingsDefaults.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

QUrl vendorServiceUrl(const QString &path)
{
    const SettingsStore shared(QString::fromLatin1(SettingsStore::kSharedApplication));
    QUrl url(shared.stringValue(SettingsKeys::kServiceUrl, QString::fromLatin1(SettingsDefaults::kServiceUrl)),
             QUrl::StrictMode);
    if (!url.isValid() || url.isRelative() || url.host().isEmpty())
        return QUrl();
    QString base = url.path();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    url.setPath(base + path);
    return url;
}
