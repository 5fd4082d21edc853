#include "splash/HostReport.h"

#include <QByteArray>
#include <QList>
#include <QPair>

QUrl hostReportUrl(QUrl url, const HostReport &report)
{
    QList<QPair<const char *, QString>> items = {
        {"appVer", report.appVersion},
        {"channelId", report.channelId},
        {"machineId", report.machineId},
        {"osVersion", report.osVersion},
        {"cpuModel", report.cpuModel},
        {"maxClockSpeed", QString::number(report.maxClockSpeed)},
        {"processorCount", QString::number(report.processorCount)},
        {"totalMemory", QString::number(report.totalMemory)},
        {"resolution", QStringLiteral("%1x%2").arg(report.resolution.width()).arg(report.resolution.height())},
        {"running", report.running ? QStringLiteral("true") : QStringLiteral("false")},
    };
    if (!report.graphicsCard.isEmpty())
        items.append({"graphicsCard", report.graphicsCard});

    QByteArray query;
    for (const auto &[key, value] : items) {
        if (!query.isEmpty())
            query += '&';
        query += key;
        query += '=';
        query += QUrl::toPercentEncoding(value);
    }
    url.setQuery(QString::fromLatin1(query), QUrl::StrictMode);
    return url;
}
