#include "FrameStreamServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace renderer {
namespace {

// Reads per wake-up before the loop looks at new connections again, so a
// guest that never pauses cannot keep a newer one waiting.
constexpr int kReadsPerWake = 64;

// Plain stderr rather than the Qt log: this thread can still be reading
// while the process exits, after Qt's logging has been torn down.
void report(const char *what, const char *detail = nullptr)
{
    if (detail)
        std::fprintf(stderr, "%s %s\n", what, detail);
    else
        std::fprintf(stderr, "%s\n", what);
}

void closeFd(int &fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

FrameStreamServer::FrameStreamServer(FrameHandler onFrame) : m_onFrame(std::move(onFrame)) {}

FrameStreamServer::~FrameStreamServer()
{
    if (m_thread.joinable()) {
        const std::uint64_t one = 1;
        if (::write(m_wakeFd, &one, sizeof one) < 0)
            report("display stream stop signal failed", std::strerror(errno));
        m_thread.join();
    }
    closeFd(m_clientFd);
    closeFd(m_listenFd);
    closeFd(m_wakeFd);
}

bool FrameStreamServer::start()
{
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    m_wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_listenFd < 0 || m_wakeFd < 0) {
        report("display stream socket failed", std::strerror(errno));
        return false;
    }
    const int yes = 1;
    ::setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);

    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(m_listenFd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        ::listen(m_listenFd, 4) != 0 ||
        ::getsockname(m_listenFd, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        report("display stream listen failed", std::strerror(errno));
        return false;
    }
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { run(); });
    return true;
}

void FrameStreamServer::run()
{
    for (;;) {
        pollfd fds[3] = {{m_wakeFd, POLLIN, 0}, {m_listenFd, POLLIN, 0}, {m_clientFd, POLLIN, 0}};
        const nfds_t count = m_clientFd >= 0 ? 3 : 2;
        if (::poll(fds, count, -1) < 0) {
            if (errno == EINTR)
                continue;
            report("display stream poll failed", std::strerror(errno));
            return;
        }
        if (fds[0].revents)
            return;
        if (fds[1].revents)
            acceptPending();
        else if (count == 3 && fds[2].revents)
            readClient();
    }
}

void FrameStreamServer::acceptPending()
{
    for (;;) {
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return;
            report("display stream accept failed", std::strerror(errno));
            // Out of descriptors or memory: the pending connection stays
            // readable, so pause rather than spin on it.
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            return;
        }
        if (!m_ownUserOnly.admit(fd, m_port)) {
            ::close(fd);
            continue;
        }
        if (m_clientFd >= 0)
            dropClient("replaced by a new connection");
        m_clientFd = fd;
        report("display stream connected");
    }
}

void FrameStreamServer::readClient()
{
    for (int i = 0; i < kReadsPerWake; ++i) {
        const ssize_t n = ::recv(m_clientFd, m_reader.writePointer(), m_reader.writeRoom(), 0);
        if (n == 0) {
            dropClient("closed by the guest");
            return;
        }
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                dropClient(std::strerror(errno));
            return;
        }
        FrameStreamReader::Step step = m_reader.commit(std::size_t(n));
        if (step.error) {
            dropClient(step.error);
            return;
        }
        if (step.frame)
            m_onFrame(std::move(step.frame));
    }
}

void FrameStreamServer::dropClient(const char *reason)
{
    report("display stream closed:", reason);
    closeFd(m_clientFd);
    m_reader = FrameStreamReader();
}

} // namespace renderer
