#include "PortalStandIn.h"

#include "driver/Polling.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>

namespace {

// Only what the tests put on it: no service is started on demand.
const char kBusConfig[] = R"(<busconfig>
  <type>session</type>
  <listen>unix:dir=%1</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

void stop(std::unique_ptr<QProcess> &process)
{
    if (!process)
        return;
    process->terminate();
    if (!process->waitForFinished(5000))
        process->kill();
    process->waitForFinished(5000);
}

// The first line process prints, once it does.
QByteArray firstLine(QProcess &process)
{
    waitFor([&] { return process.canReadLine() || process.state() == QProcess::NotRunning; }, 10000);
    return process.readLine().trimmed();
}

} // namespace

PortalStandIn::PortalStandIn(const QString &folder) : m_folder(folder) {}

PortalStandIn::~PortalStandIn()
{
    QDBusConnection::disconnectFromBus(QStringLiteral("portal-control"));
    stop(m_portal);
    stop(m_bus);
}

bool PortalStandIn::startBus()
{
    QFile config(m_folder + QStringLiteral("/bus.conf"));
    if (!config.open(QIODevice::WriteOnly))
        return false;
    config.write(QString::fromLatin1(kBusConfig).arg(m_folder).toUtf8());
    config.close();
    m_bus = std::make_unique<QProcess>();
    m_bus->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_bus->start(QStringLiteral("dbus-daemon"), {QStringLiteral("--nofork"), QStringLiteral("--print-address=1"),
                                                 QStringLiteral("--config-file=") + config.fileName()});
    m_address = QString::fromLatin1(firstLine(*m_bus));
    return !m_address.isEmpty();
}

bool PortalStandIn::startPortal(const QStringList &options)
{
    QFile::remove(m_folder + QStringLiteral("/portal-calls.jsonl"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_address);
    m_portal = std::make_unique<QProcess>();
    m_portal->setProcessEnvironment(environment);
    m_portal->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_portal->start(qEnvironmentVariable("TAVENOR_SOURCE_DIR") + QStringLiteral("/platform/shortcut/tests/portal-standin"),
                    QStringList{QStringLiteral("--log"), m_folder + QStringLiteral("/portal-calls.jsonl")} + options);
    return firstLine(*m_portal) == "ready";
}

QString PortalStandIn::calls() const
{
    QFile file(m_folder + QStringLiteral("/portal-calls.jsonl"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

int PortalStandIn::control(const QString &method, const QVariantList &arguments)
{
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.portal.Desktop"),
                                                       QStringLiteral("/org/tavenor/test"),
                                                       QStringLiteral("org.tavenor.test.PortalStandIn"), method);
    call.setArguments(arguments);
    const QDBusMessage reply =
        QDBusConnection::connectToBus(m_address, QStringLiteral("portal-control")).call(call, QDBus::Block, 10000);
    return reply.type() == QDBusMessage::ReplyMessage ? reply.arguments().value(0).toInt() : -1;
}
