#include "splash/InfoReporter.h"

#include "app/ChannelId.h"
#include "splash/HostReport.h"
#include "splash/VendorServiceUrl.h"

#include <OSUtils.h>

#include <QCoreApplication>
#include <QDebug>
#include <QGuiApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QScreen>

#include <utility>

namespace {

// A report that hangs must not keep its reply alive for the whole run.
constexpr int kTransferTimeoutMs = 30000;

// The desktop's default screen area: the primary screen, or the area that
// spans all screens of a virtual desktop.
QSize desktopSize()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->virtualGeometry().size() : QSize(0, 0);
}

} // namespace

InfoReporter *InfoReporter::instance()
{
    static InfoReporter *const reporter = new InfoReporter;
    return reporter;
}

InfoReporter::InfoReporter()
    : m_network(new QNetworkAccessManager(this))
{
}

void InfoReporter::setGraphicsCardSource(std::function<QString()> graphicsCardName)
{
    m_graphicsCardName = std::move(graphicsCardName);
}

void InfoReporter::report(bool running, bool withGraphicsCard)
{
    HostReport report;
    report.machineId = OSUtils::getMachineId();
    report.channelId = channelId();
    report.appVersion = OSUtils::getFileVersion(QCoreApplication::applicationFilePath());
    report.osVersion = OSUtils::getOsVersion();
    report.cpuModel = OSUtils::getCpuInfo(&report.maxClockSpeed, &report.processorCount);
    report.totalMemory = OSUtils::getTotalMemory();
    if (withGraphicsCard && m_graphicsCardName)
        report.graphicsCard = m_graphicsCardName();
    report.resolution = desktopSize();
    report.running = running;

    const QUrl service = vendorServiceUrl(QStringLiteral("/api/client/inforeport"));
    if (!service.isValid()) {
        qDebug() << "report skipped, invalid service url";
        return;
    }
    QNetworkRequest request(hostReportUrl(service, report));
    request.setTransferTimeout(kTransferTimeoutMs);
    QNetworkReply *reply = m_network->get(request);
    connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
}
