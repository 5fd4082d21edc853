#pragma once

#include <QObject>
#include <QTimer>

// Tells when the guest has gone rather than only reconnected. Its control
// connection ending is not enough: a guest that reconnects is ready again
// within moments. One that stays away past the grace time has stopped (a
// crashed or killed machine), and the display would otherwise go on showing
// its last picture as if it still ran.
class GuestLossNotice : public QObject
{
    Q_OBJECT

public:
    explicit GuestLossNotice(int graceMs, QObject *parent = nullptr);

public slots:
    // The guest's control connection ended: gone() unless guestReady()
    // comes within the grace time.
    void connectionLost();
    void guestReady();
    // The guest's end is expected from now on (the player exits).
    void stop();

signals:
    void gone();

private:
    QTimer m_grace;
    bool m_stopped = false;
};
