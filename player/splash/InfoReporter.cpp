#include "splash/InfoReporter.h"

#include "app/ChannelId.h"
#include "splash/BoundedGet.h"
#include "splash/HostReport.h"
#include "splash/VendorServiceUrl.h"

#include <OSUtils.h>

#include <QCoreApplication>
#include <QDebug>
#include <QEventLoop>
#include <QGuiApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QScreen>
#include <QTimer>

#include <utility>

namespace {

// The answer is not used; a long one is not even read.
constexpr qint64 kAnswerBytes = 64 * 1024;

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
    QNetworkReply *reply = BoundedGet::get(*m_network, hostReportUrl(service, report), kAnswerBytes);
    ++m_pending;
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        --m_pending;
        reply->deleteLater();
        if (m_pending == 0)
            emit allAnswered();
    });
}

bool InfoReporter::waitForReplies(int timeoutMs)
{
    if (m_pending == 0)
        return true;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(this, &InfoReporter::allAnswered, &loop, &QEventLoop::quit);
    timer.start(timeoutMs);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (m_pending != 0)
        qDebug() << "host report still pending at exit" << m_pending;
    return m_pending == 0;
}
