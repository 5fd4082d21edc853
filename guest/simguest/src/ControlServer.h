#pragma once

#include <QByteArray>
#include <QHash>
#include <QLocalServer>
#include <QObject>
#include <QString>

#include <functional>

class QLocalSocket;

// The control socket: a local (Unix domain) socket, usable by this user only,
// taking one command a line and answering each with one line. Runs on the
// thread that owns it (the GUI thread).
class ControlServer : public QObject
{
    Q_OBJECT

public:
    // Gets a line without its line feed; returns the answer without one.
    using Handler = std::function<QString(const QByteArray &line)>;

    // The longest line taken: a clipboard text of the largest size the host
    // accepts. A longer one is skipped up to its line feed (never buffered)
    // and answered with an error.
    static constexpr int kMaxLineBytes = (1 << 20) + 64;

    ControlServer(Handler handler, QObject *parent = nullptr);
    ~ControlServer() override;

    // Replaces a socket file left by an earlier run and makes the socket's
    // folder private to this user; false (and why) when it cannot listen.
    bool listen(const QString &path, QString *error);

private:
    void accept();
    void readFrom(QLocalSocket *socket);

    const Handler m_handler;
    QLocalServer m_server;
    struct Pending
    {
        QByteArray line;
        bool skipping = false; // inside a line that is too long
    };

    QHash<QLocalSocket *, Pending> m_pending;
};
