#include <guestproto/GuestSocket.h>

#include "SocketPlatform.h"

#include <algorithm>
#include <climits>
#include <utility>

namespace guest {

namespace {

using Clock = std::chrono::steady_clock;

int toPlatformTimeout(std::chrono::milliseconds timeout)
{
    if (timeout.count() < 0)
        return -1;
    return static_cast<int>(std::min<std::chrono::milliseconds::rep>(timeout.count(), INT_MAX));
}

// The time left until deadline, in the platform's form; -1 when unbounded.
int timeLeft(bool bounded, Clock::time_point deadline)
{
    if (!bounded)
        return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return toPlatformTimeout(std::max(left, std::chrono::milliseconds(0)));
}

} // namespace

const char *toString(ReadStatus status)
{
    switch (status) {
    case ReadStatus::Ok:
        return "ok";
    case ReadStatus::Closed:
        return "closed";
    case ReadStatus::TimedOut:
        return "timed out";
    case ReadStatus::Error:
        return "error";
    }
    return "unknown";
}

GuestSocket::~GuestSocket()
{
    close();
}

GuestSocket::GuestSocket(GuestSocket &&other) noexcept
    : m_socket(std::exchange(other.m_socket, kInvalid)), m_lastError(other.m_lastError)
{
}

GuestSocket &GuestSocket::operator=(GuestSocket &&other) noexcept
{
    if (this != &other) {
        close();
        m_socket = std::exchange(other.m_socket, kInvalid);
        m_lastError = other.m_lastError;
    }
    return *this;
}

GuestSocket GuestSocket::adopt(NativeSocket socket)
{
    return GuestSocket(socket);
}

GuestSocket GuestSocket::connectTo(const std::string &host, std::uint16_t port,
                                   std::chrono::milliseconds timeout)
{
    int error = 0;
    GuestSocket result(platform::connectTcp(host, port, toPlatformTimeout(timeout), &error));
    if (!result.isOpen()) {
        result.m_lastError = error;
        return result;
    }
    result.setNoDelay(true);
    return result;
}

bool GuestSocket::sendAll(const void *data, std::size_t size)
{
    if (!isOpen())
        return false;
    const auto *bytes = static_cast<const std::uint8_t *>(data);
    while (size > 0) {
        const long sent = platform::sendSome(m_socket, bytes, size);
        if (sent <= 0) {
            m_lastError = platform::lastError();
            return false;
        }
        bytes += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

bool GuestSocket::sendAll(const std::vector<std::uint8_t> &bytes)
{
    return sendAll(bytes.data(), bytes.size());
}

ReadStatus GuestSocket::readExact(void *buffer, std::size_t size, std::chrono::milliseconds timeout)
{
    if (!isOpen())
        return ReadStatus::Error;
    const bool bounded = timeout.count() >= 0;
    const auto deadline = bounded ? Clock::now() + timeout : Clock::time_point{};
    auto *bytes = static_cast<std::uint8_t *>(buffer);
    std::size_t done = 0;
    while (done < size) {
        const int ready = platform::waitReadable(m_socket, timeLeft(bounded, deadline));
        if (ready == 0)
            return ReadStatus::TimedOut;
        if (ready < 0) {
            m_lastError = platform::lastError();
            return ReadStatus::Error;
        }
        const long got = platform::recvSome(m_socket, bytes + done, size - done);
        if (got == 0)
            return ReadStatus::Closed;
        if (got < 0) {
            m_lastError = platform::lastError();
            return ReadStatus::Error;
        }
        done += static_cast<std::size_t>(got);
    }
    return ReadStatus::Ok;
}

ReadSomeResult GuestSocket::readSome(void *buffer, std::size_t capacity,
                                     std::chrono::milliseconds timeout)
{
    if (!isOpen() || capacity == 0)
        return {ReadStatus::Error, 0};
    const ReadStatus ready = waitReadable(timeout);
    if (ready != ReadStatus::Ok)
        return {ready, 0};
    const long got = platform::recvSome(m_socket, buffer, capacity);
    if (got == 0)
        return {ReadStatus::Closed, 0};
    if (got < 0) {
        m_lastError = platform::lastError();
        return {ReadStatus::Error, 0};
    }
    return {ReadStatus::Ok, static_cast<std::size_t>(got)};
}

ReadStatus GuestSocket::waitReadable(std::chrono::milliseconds timeout)
{
    if (!isOpen())
        return ReadStatus::Error;
    const int ready = platform::waitReadable(m_socket, toPlatformTimeout(timeout));
    if (ready < 0) {
        m_lastError = platform::lastError();
        return ReadStatus::Error;
    }
    return ready == 0 ? ReadStatus::TimedOut : ReadStatus::Ok;
}

bool GuestSocket::setNoDelay(bool on)
{
    if (isOpen() && platform::setNoDelay(m_socket, on))
        return true;
    m_lastError = isOpen() ? platform::lastError() : 0;
    return false;
}

void GuestSocket::close()
{
    if (!isOpen())
        return;
    platform::closeSocket(m_socket);
    m_socket = kInvalid;
}

} // namespace guest
