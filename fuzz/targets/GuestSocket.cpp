#include "GuestSocket.h"

#include "DecoderFuzzing.h"

#include <handle_table.h>

#include <QtGlobal>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace fuzzing {

namespace {

// The services log every message they read; fuzzing would drown in it.
void dropMessage(QtMsgType, const QMessageLogContext &, const QString &) {}

bool writeAll(int socket, const std::uint8_t *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::send(socket, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

} // namespace

GuestSocket::GuestSocket(const std::uint8_t *data, std::size_t size)
{
    static const bool quiet = (qInstallMessageHandler(dropMessage), true);
    (void)quiet;
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return;
    m_guestEnd = ends[1];
    const int handle = service::allocateHandle();
    if (handle < 0) {
        ::close(ends[0]);
        return;
    }
    service::recordOf(handle).socket.store(ends[0]);
    if (!writeAll(m_guestEnd, data, size) || ::shutdown(m_guestEnd, SHUT_WR) != 0) {
        service::releaseHandle(handle);
        return;
    }
    m_handle = handle;
}

GuestSocket::~GuestSocket()
{
    if (m_guestEnd >= 0)
        ::close(m_guestEnd);
}

int GuestSocket::serve(int (*readable)(int handle), bool (*isCurrent)(int handle))
{
    for (;;) {
        const std::size_t before = unread();
        const int result = readable(m_handle);
        if (result < 0) {
            // The service ended the connection: it is closed, not current.
            check(!isCurrent(m_handle) && service::openRecord(m_handle) == nullptr);
            return result;
        }
        if (result == 0)
            return result;
        check(unread() < before);
    }
}

std::size_t GuestSocket::unread() const
{
    int count = 0;
    if (::ioctl(service::nativeSocketOf(m_handle), FIONREAD, &count) != 0)
        return 0;
    return static_cast<std::size_t>(count);
}

} // namespace fuzzing
