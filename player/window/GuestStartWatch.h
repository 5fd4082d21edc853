#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

// Tells when the guest never comes up. A system disk without the guest's
// agents (a plain Android x86 image, say) boots all the same, but nothing
// connects to the service ports or to the renderer, and the splash would
// turn for ever. Past the bound with no guest ready, the watch says what is
// missing; the machine is left running, as the guest may still come.
class GuestStartWatch : public QObject
{
    Q_OBJECT

public:
    // Generous: Android's first boot on a slow host takes a minute or two.
    static constexpr int kBoundMs = 4 * 60 * 1000;

    // What has connected by the time the bound passes.
    struct Probes
    {
        std::function<bool()> agentConnected;    // a guest agent, to a service port
        std::function<bool()> rendererConnected; // the guest's display, to the renderer
    };

    GuestStartWatch(int boundMs, Probes probes, QObject *parent = nullptr);

    // The notice for what is missing, translated.
    static QString notice(bool agentMissing, bool rendererMissing);

public slots:
    // The launch has begun; later calls change nothing.
    void start();
    // The guest is ready, or the player exits: nothing more is said.
    void stop();

signals:
    void neverReady(bool agentMissing, bool rendererMissing);

private:
    void boundPassed();

    QTimer m_bound;
    Probes m_probes;
    bool m_started = false;
};
