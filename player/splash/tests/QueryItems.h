#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// A query string as a web service reads it: items split at '&', key and
// value at the first '=', a '+' read as a space, then percent-decoded.
inline QList<QPair<QString, QString>> decodeQuery(const QByteArray &query)
{
    QList<QPair<QString, QString>> items;
    if (query.isEmpty())
        return items;
    for (const QByteArray &item : query.split('&')) {
        const int equals = item.indexOf('=');
        QByteArray key = equals < 0 ? item : item.left(equals);
        QByteArray value = equals < 0 ? QByteArray() : item.mid(equals + 1);
        key.replace('+', ' ');
        value.replace('+', ' ');
        items.append({QString::fromUtf8(QByteArray::fromPercentEncoding(key)),
                      QString::fromUtf8(QByteArray::fromPercentEncoding(value))});
    }
    return items;
}

inline QStringList queryKeys(const QList<QPair<QString, QString>> &items)
{
    QStringList keys;
    for (const auto &item : items)
        keys << item.first;
    return keys;
}
