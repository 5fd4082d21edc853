#include "ControlClient.h"

namespace {

constexpr int kTimeoutMs = 5000;

} // namespace

bool ControlClient::connect()
{
    auto socket = std::make_unique<QLocalSocket>();
    socket->connectToServer(m_path);
    if (!socket->waitForConnected(1000))
        return false;
    m_socket = std::move(socket);
    return true;
}

QString ControlClient::send(const QByteArray &line)
{
    if (!m_socket && !connect())
        return {};
    m_socket->write(line + '\n');
    if (!m_socket->waitForBytesWritten(kTimeoutMs))
        return {};
    QByteArray answer;
    while (!answer.endsWith('\n')) {
        if (m_socket->bytesAvailable() == 0 && !m_socket->waitForReadyRead(kTimeoutMs))
            return {};
        answer += m_socket->read(1);
    }
    answer.chop(1);
    return QString::fromUtf8(answer);
}
