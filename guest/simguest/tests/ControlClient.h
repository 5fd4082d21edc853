#pragma once

#include <QByteArray>
#include <QLocalSocket>
#include <QString>

#include <memory>

// A client of a guest's control socket: one command line out, one answer
// line back, with bounded waits (no event loop needed).
class ControlClient
{
public:
    explicit ControlClient(QString socketPath) : m_path(std::move(socketPath)) {}

    bool connect();

    // The answer without its line feed; an empty text when none came.
    QString send(const QByteArray &line);

private:
    QString m_path;
    std::unique_ptr<QLocalSocket> m_socket;
};
