#pragma once

#include <QObject>
#include <QSocketNotifier>

// Turns SIGTERM and SIGINT into a Qt signal on the thread that created it:
// the handler only writes a byte to a pipe that a socket notifier watches.
// One instance per process.
class TerminationSignal : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignal(QObject *parent = nullptr);
    ~TerminationSignal() override;

    bool isValid() const { return m_notifier != nullptr; }

signals:
    void received(int signalNumber);

private:
    void readPipe();

    QSocketNotifier *m_notifier = nullptr;
};
