#include "ControlServer.h"

#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>

namespace {

// sockaddr_un's path field, its terminating NUL included.
constexpr int kMaxSocketPathBytes = 108;

constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

} // namespace

ControlServer::ControlServer(Handler handler, QObject *parent)
    : QObject(parent), m_handler(std::move(handler))
{
    connect(&m_server, &QLocalServer::newConnection, this, &ControlServer::accept);
}

// The connections go first, quietly: their disconnected signals must not
// reach a half-destroyed server.
ControlServer::~ControlServer()
{
    const QList<QLocalSocket *> sockets = m_pending.keys();
    for (QLocalSocket *socket : sockets) {
        socket->disconnect(this);
        delete socket;
    }
    m_server.close();
}

bool ControlServer::listen(const QString &path, QString *error)
{
    if (QFile::encodeName(path).size() >= kMaxSocketPathBytes) {
        *error = QStringLiteral("the path is longer than a local socket allows: %1").arg(path);
        return false;
    }
    // Only this user may reach the guest through it: the socket is made
    // in a folder only the user can enter, and is itself 0600.
    const QString folder = QFileInfo(path).absolutePath();
    if (!QFile::setPermissions(folder, kOwnerOnly | QFileDevice::ExeOwner)) {
        *error = QStringLiteral("cannot make %1 private to this user").arg(folder);
        return false;
    }
    QLocalServer::removeServer(path);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server.listen(path)) {
        *error = m_server.errorString();
        return false;
    }
    if (!QFile::setPermissions(path, kOwnerOnly)) {
        m_server.close();
        *error = QStringLiteral("cannot make %1 private to this user").arg(path);
        return false;
    }
    return true;
}

void ControlServer::accept()
{
    while (QLocalSocket *socket = m_server.nextPendingConnection()) {
        m_pending.insert(socket, Pending{});
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            m_pending.remove(socket);
            socket->deleteLater();
        });
    }
}

// Works on a copy: an answer's write can report the peer gone, which removes
// the socket's entry on the spot (the socket itself is deleted later).
void ControlServer::readFrom(QLocalSocket *socket)
{
    Pending pending = m_pending.value(socket);
    const QByteArray data = socket->readAll();
    int start = 0;
    while (start < data.size()) {
        const int end = data.indexOf('\n', start);
        const int stop = end < 0 ? data.size() : end;
        if (!pending.skipping)
            pending.line.append(data.constData() + start, stop - start);
        if (pending.line.size() > kMaxLineBytes) {
            pending.line.clear();
            pending.skipping = true;
        }
        if (end < 0)
            break;
        const QString answer =
            pending.skipping ? QStringLiteral("error: line too long") : m_handler(pending.line);
        pending = Pending{};
        socket->write(answer.toUtf8() + '\n');
        socket->flush();
        start = end + 1;
    }
    if (m_pending.contains(socket))
        m_pending.insert(socket, pending);
}
