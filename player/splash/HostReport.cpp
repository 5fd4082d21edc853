#include "splash/HostReport.h"

#include "splash/WebQuery.h"

QUrl hostReportUrl(QUrl url, const HostReport &report)
{
    QList<QPair<QString, QString>> items = {
        {QStringLiteral("appVer"), report.appVersion},
        {QStringLiteral("channelId"), report.channelId},
        {QStringLiteral("machineId"), report.machineId},
        {QStringLiteral("osVersion"), report.osVersion},
        {QStringLiteral("cpuModel"), report.cpuModel},
        {QStringLiteral("maxClockSpeed"), QString::number(report.maxClockSpeed)},
        {QStringLiteral("processorCount"), QString::number(report.processorCount)},
        {QStringLiteral("totalMemory"), QString::number(report.totalMemory)},
        {QStringLiteral("resolution"),
         QStringLiteral("%1x%2").arg(report.resolution.width()).arg(report.resolution.height())},
        {QStringLiteral("running"), report.running ? QStringLiteral("true") : QStringLiteral("false")},
    };
    if (!report.graphicsCard.isEmpty())
        items.append({QStringLiteral("graphicsCard"), report.graphicsCard});
    url.setQuery(encodedQuery(items), QUrl::StrictMode);
    return url;
}
