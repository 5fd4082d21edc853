#include "FrameSender.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

namespace {

void putU32(std::uint8_t *p, std::uint32_t v)
{
    p[0] = std::uint8_t(v >> 24);
    p[1] = std::uint8_t(v >> 16);
    p[2] = std::uint8_t(v >> 8);
    p[3] = std::uint8_t(v);
}

} // namespace

FrameHeader FrameHeader::forImage(std::uint32_t width, std::uint32_t height, std::uint32_t rotation)
{
    FrameHeader header;
    header.width = width;
    header.height = height;
    header.rotation = rotation;
    header.length = width * height * 4;
    return header;
}

std::array<std::uint8_t, framestream::kFrameHeaderSize> FrameHeader::encode() const
{
    std::array<std::uint8_t, framestream::kFrameHeaderSize> bytes{};
    putU32(&bytes[0], type);
    putU32(&bytes[4], width);
    putU32(&bytes[8], height);
    putU32(&bytes[12], rotation);
    putU32(&bytes[16], std::uint32_t(sentAtUs >> 32));
    putU32(&bytes[20], std::uint32_t(sentAtUs));
    putU32(&bytes[24], length);
    putU32(&bytes[28], reserved);
    return bytes;
}

FrameSender::~FrameSender()
{
    close();
}

bool FrameSender::connectTo(const std::string &address)
{
    close();
    const auto colon = address.rfind(':');
    if (colon == std::string::npos)
        return false;
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(std::uint16_t(std::stoul(address.substr(colon + 1))));
    if (inet_pton(AF_INET, address.substr(0, colon).c_str(), &peer.sin_addr) != 1)
        return false;
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        return false;
    const int yes = 1;
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    if (::connect(m_fd, reinterpret_cast<sockaddr *>(&peer), sizeof peer) != 0) {
        close();
        return false;
    }
    return true;
}

bool FrameSender::sendHello(std::uint32_t magic, std::uint32_t version)
{
    std::uint8_t hello[framestream::kHelloSize];
    putU32(hello, magic);
    putU32(hello + 4, version);
    return sendBytes(hello, sizeof hello);
}

bool FrameSender::sendFrame(const FrameHeader &header, const std::vector<std::uint8_t> &pixels)
{
    const auto bytes = header.encode();
    return sendBytes(bytes.data(), bytes.size()) && sendBytes(pixels.data(), pixels.size());
}

bool FrameSender::sendBytes(const void *data, std::size_t size)
{
    const auto *p = static_cast<const std::uint8_t *>(data);
    while (size > 0) {
        const ssize_t n = ::send(m_fd, p, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= std::size_t(n);
    }
    return true;
}

bool FrameSender::sendInPieces(const void *data, std::size_t size, std::size_t chunk)
{
    const auto *p = static_cast<const std::uint8_t *>(data);
    for (std::size_t done = 0; done < size; done += chunk) {
        if (!sendBytes(p + done, std::min(chunk, size - done)))
            return false;
    }
    return true;
}

bool FrameSender::closedByPeer(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd fd{m_fd, POLLIN, 0};
        if (::poll(&fd, 1, int(left.count())) <= 0)
            continue;
        std::uint8_t byte;
        const ssize_t n = ::recv(m_fd, &byte, 1, 0);
        if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN))
            return true;
    }
}

void FrameSender::finishSending()
{
    ::shutdown(m_fd, SHUT_WR);
}

void FrameSender::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

std::uint64_t monotonicMicroseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::uint64_t(now.tv_sec) * 1000000u + std::uint64_t(now.tv_nsec) / 1000u;
}
