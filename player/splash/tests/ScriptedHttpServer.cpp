#include "ScriptedHttpServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

namespace {

QByteArray response(const QByteArray &status, const QByteArray &body, int promisedLength)
{
    return "HTTP/1.1 " + status + "\r\nContent-Length: " + QByteArray::number(promisedLength)
           + "\r\nConnection: close\r\n\r\n" + body;
}

QByteArray targetOf(const QByteArray &requestLine)
{
    return requestLine.split(' ').value(1);
}

} // namespace

ScriptedHttpServer::ScriptedHttpServer()
{
    QObject::connect(&m_server, &QTcpServer::newConnection, [this] { accept(); });
}

bool ScriptedHttpServer::listen()
{
    return m_server.listen(QHostAddress::LocalHost, 0);
}

QString ScriptedHttpServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
}

QList<QByteArray> ScriptedHttpServer::targets() const
{
    QList<QByteArray> targets;
    for (const QByteArray &line : m_requestLines)
        targets.append(targetOf(line));
    return targets;
}

void ScriptedHttpServer::answer(const QByteArray &path, const QByteArray &body, const QByteArray &status)
{
    m_responses.insert(path, response(status, body, body.size()));
}

void ScriptedHttpServer::answerCut(const QByteArray &path, const QByteArray &body)
{
    m_responses.insert(path, response("200 OK", body, body.size() * 2));
}

void ScriptedHttpServer::answerSlowly(const QByteArray &path, const QByteArray &body, int intervalMs)
{
    answer(path, body);
    m_byteIntervals.insert(path, intervalMs);
}

bool ScriptedHttpServer::waitForRequests(int count)
{
    QDeadlineTimer deadline(10000);
    while (m_requestLines.size() < count && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return m_requestLines.size() >= count;
}

void ScriptedHttpServer::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        auto buffer = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
            buffer->append(socket->readAll());
            if (!buffer->contains("\r\n\r\n"))
                return;
            const QByteArray line = buffer->left(buffer->indexOf("\r\n"));
            buffer->clear();
            m_requestLines.append(line);
            const QByteArray target = targetOf(line);
            const int query = target.indexOf('?');
            respond(socket, query < 0 ? target : target.left(query));
        });
    }
}

void ScriptedHttpServer::respond(QTcpSocket *socket, const QByteArray &path)
{
    const QByteArray whole = m_responses.value(path, response("404 Not Found", QByteArray(), 0));
    const int interval = m_byteIntervals.value(path, -1);
    if (interval < 0) {
        socket->write(whole);
        socket->disconnectFromHost();
        return;
    }
    const int headerEnd = whole.indexOf("\r\n\r\n") + 4;
    socket->write(whole.left(headerEnd));
    auto *timer = new QTimer(socket);
    auto sent = std::make_shared<int>(headerEnd);
    QObject::connect(timer, &QTimer::timeout, socket, [socket, timer, whole, sent] {
        socket->write(whole.mid((*sent)++, 1));
        if (*sent < whole.size())
            return;
        timer->stop();
        socket->disconnectFromHost();
    });
    timer->start(interval);
}
