#include "SimGuestProbe.h"

#include "Polling.h"
#include "ProcessTable.h"
#include "app/Paths.h"

#include <QFile>
#include <QJsonDocument>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

void appendEvents(const QByteArray &lines, QList<GuestEvent> &events)
{
    for (const QByteArray &line : lines.split('\n')) {
        const QJsonDocument document = QJsonDocument::fromJson(line);
        if (document.isObject())
            events.append({document.object()});
    }
}

} // namespace

SimGuestProbe::SimGuestProbe(const QString &instance)
    : m_stateFolder(vmFolder() + QLatin1Char('/') + instance + QStringLiteral(".sim"))
{
}

QList<GuestEvent> SimGuestProbe::events() const
{
    QList<GuestEvent> events;
    QFile file(m_stateFolder + QStringLiteral("/events.jsonl"));
    if (file.open(QIODevice::ReadOnly))
        appendEvents(file.readAll(), events);
    return events;
}

QList<GuestEvent> SimGuestProbe::newEvents()
{
    QList<GuestEvent> events;
    QFile file(m_stateFolder + QStringLiteral("/events.jsonl"));
    if (!file.open(QIODevice::ReadOnly))
        return events;
    // The guest empties the file when it starts again.
    if (file.size() < m_readUpTo)
        m_readUpTo = 0;
    file.seek(m_readUpTo);
    QByteArray lines = file.readAll();
    // A line still being written is read next time.
    lines.truncate(lines.lastIndexOf('\n') + 1);
    m_readUpTo += lines.size();
    appendEvents(lines, events);
    return events;
}

bool SimGuestProbe::waitForEvents(int from, const QList<GuestEventMatch> &expected, int timeoutMs) const
{
    return waitFor(
        [&] {
            const QList<GuestEvent> all = events();
            int next = 0;
            for (int i = from; i < all.size() && next < expected.size(); ++i) {
                if (expected[next](all[i]))
                    ++next;
            }
            return next == expected.size();
        },
        timeoutMs);
}

// The simulated engine runs the guest as `tavenor-guest <state folder>`.
qint64 SimGuestProbe::pid() const
{
    return ProcessTable::running("tavenor-guest", QFile::encodeName(m_stateFolder)).value(0);
}

QByteArray SimGuestProbe::command(const QByteArray &line) const
{
    const QByteArray path = QFile::encodeName(m_stateFolder + QStringLiteral("/control.sock"));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (size_t(path.size()) >= sizeof address.sun_path)
        return QByteArray();
    memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    QByteArray answer;
    if (fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0
        && ::write(fd, (line + '\n').constData(), size_t(line.size() + 1)) == line.size() + 1) {
        char byte = 0;
        while (::read(fd, &byte, 1) == 1 && byte != '\n')
            answer.append(byte);
    }
    if (fd >= 0)
        ::close(fd);
    return answer;
}
