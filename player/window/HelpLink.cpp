#include "window/HelpLink.h"

#include "settings/SettingsStore.h"

#include <QRegularExpression>
#include <QUrlQuery>

namespace HelpLink {

QUrl requestUrl()
{
    const SettingsStore shared(QString::fromLatin1(SettingsStore::kSharedApplication));
    QUrl url(shared.stringValue(QLatin1String(kMessengerUrlKey), QString::fromLatin1(kDefaultMessengerUrl)),
             QUrl::StrictMode);
    if (!url.isValid() || url.isRelative() || url.host().isEmpty())
        return QUrl();
    const QString account =
        shared.stringValue(QLatin1String(kSupportAccountKey), QString::fromLatin1(kDefaultSupportAccount));

    QString base = url.path();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    url.setPath(base + QStringLiteral("/msgrd"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("V"), QStringLiteral("1"));
    query.addQueryItem(QStringLiteral("uin"), account);
    url.setQuery(query);
    return url;
}

QString findMessengerLink(const QByteArray &page)
{
    static const QRegularExpression link(QStringLiteral("tencent://[^\\s\"]*"));
    return link.match(QString::fromUtf8(page)).captured(0);
}

} // namespace HelpLink
