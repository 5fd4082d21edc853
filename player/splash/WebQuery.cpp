#include "splash/WebQuery.h"

#include <QByteArray>
#include <QUrl>

QString encodedQuery(const QList<QPair<QString, QString>> &items)
{
    QByteArray query;
    for (const auto &[key, value] : items) {
        if (!query.isEmpty())
            query += '&';
        query += QUrl::toPercentEncoding(key);
        query += '=';
        query += QUrl::toPercentEncoding(value);
    }
    return QString::fromLatin1(query);
}
