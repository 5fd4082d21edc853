#include "window/GuestLossNotice.h"

GuestLossNotice::GuestLossNotice(int graceMs, QObject *parent) : QObject(parent)
{
    m_grace.setSingleShot(true);
    m_grace.setInterval(graceMs);
    connect(&m_grace, &QTimer::timeout, this, &GuestLossNotice::gone);
}

void GuestLossNotice::connectionLost()
{
    m_grace.start();
}

void GuestLossNotice::cancel()
{
    m_grace.stop();
}
