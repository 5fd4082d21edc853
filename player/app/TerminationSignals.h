#pragma once

#include <QObject>

class QSocketNotifier;

// Turns the requests to end the program that arrive as signals (SIGTERM at
// logout or from a service manager, SIGINT from Ctrl+C in a terminal, SIGHUP
// when the terminal goes) into a Qt signal on the event loop, so that the
// player ends as after a confirmed exit instead of dying with its guest
// still running. The handlers only write the signal's number into a pipe
// that the event loop watches. One object at a time; its destructor restores
// the default handling.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

signals:
    void received(int signalNumber);

private:
    void readPending();

    QSocketNotifier *m_notifier = nullptr;
};
