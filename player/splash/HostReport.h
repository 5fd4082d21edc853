#pragma once

#include <QSize>
#include <QString>
#include <QUrl>

// What one host information report carries.
struct HostReport
{
    QString appVersion;
    QString channelId;
    QString machineId;
    QString osVersion;
    QString cpuModel;
    int maxClockSpeed = 0;
    int processorCount = 0;
    int totalMemory = 0;
    QSize resolution;
    bool running = false;
    // Left out of the request when empty.
    QString graphicsCard;
};

// `url` with the report's query items, in the order the service expects:
// appVer, channelId, machineId, osVersion, cpuModel, maxClockSpeed,
// processorCount, totalMemory, resolution, running[, graphicsCard]. Every
// value is percent-encoded, '+', '&' and '=' included, so a value always
// arrives as it was sent.
QUrl hostReportUrl(QUrl url, const HostReport &report);
