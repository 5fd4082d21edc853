#include "window/GuestStartWatch.h"

#include <QStringList>

#include <utility>

GuestStartWatch::GuestStartWatch(int boundMs, Probes probes, QObject *parent)
    : QObject(parent)
    , m_probes(std::move(probes))
{
    m_bound.setSingleShot(true);
    m_bound.setInterval(boundMs);
    connect(&m_bound, &QTimer::timeout, this, &GuestStartWatch::boundPassed);
}

QString GuestStartWatch::notice(bool agentMissing, bool rendererMissing)
{
    QStringList missing;
    if (agentMissing)
        missing.append(tr("no guest agent connected"));
    if (rendererMissing)
        missing.append(tr("the display's renderer did not connect"));
    if (missing.isEmpty())
        missing.append(tr("the guest did not report ready"));
    return tr("Android did not start:") + QLatin1Char(' ') + missing.join(QStringLiteral("; "));
}

void GuestStartWatch::start()
{
    if (m_started)
        return;
    m_started = true;
    m_bound.start();
}

void GuestStartWatch::stop()
{
    m_started = true;
    m_bound.stop();
}

void GuestStartWatch::boundPassed()
{
    const bool agentMissing = !m_probes.agentConnected || !m_probes.agentConnected();
    const bool rendererMissing = !m_probes.rendererConnected || !m_probes.rendererConnected();
    emit neverReady(agentMissing, rendererMissing);
}
