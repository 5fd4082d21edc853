#include "window/GuestLossNotice.h"

GuestLossNotice::GuestLossNotice(int graceMs, QObject *parent) : QObject(parent)
{
    m_grace.setSingleShot(true);
    m_grace.setInterval(graceMs);
    connect(&m_grace, &QTimer::timeout, this, &GuestLossNotice::gone);
}

void GuestLossNotice::connectionLost()
{
    if (!m_stopped)
        m_grace.start();
}

void GuestLossNotice::guestReady()
{
    m_grace.stop();
}

void GuestLossNotice::stop()
{
    m_stopped = true;
    m_grace.stop();
}
