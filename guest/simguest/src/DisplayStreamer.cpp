#include "DisplayStreamer.h"

#include "Backoff.h"
#include "EventJson.h"
#include "EventLog.h"

#include <guestproto/FrameStreamWriter.h>
#include <guestproto/GuestSocket.h>

#include <FrameStream.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/socket.h>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kConnectTimeout = 1000ms;

} // namespace

std::optional<DisplayStreamer::Address> DisplayStreamer::parseAddress(const std::string &text)
{
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == text.size() ||
        text.size() - colon > 6)
        return std::nullopt;
    unsigned port = 0;
    for (std::size_t i = colon + 1; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        port = port * 10 + unsigned(text[i] - '0');
    }
    if (port == 0 || port > 65535)
        return std::nullopt;
    return Address{text.substr(0, colon), static_cast<std::uint16_t>(port)};
}

DisplayStreamer::DisplayStreamer(EventLog &log, int framesPerSecond)
    : m_log(log),
      m_interval(std::chrono::microseconds(1000000 / (framesPerSecond > 0 ? framesPerSecond : 1)))
{
}

DisplayStreamer::~DisplayStreamer()
{
    stop();
}

void DisplayStreamer::setAddress(Address address)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_address && m_address->host == address.host && m_address->port == address.port)
        return;
    m_address = std::move(address);
    m_addressChanged = true;
    interruptLocked();
}

void DisplayStreamer::publish(QImage image, std::uint32_t rotation)
{
    auto shared = std::make_shared<const QImage>(std::move(image));
    std::lock_guard<std::mutex> lock(m_mutex);
    m_screen = Screen{std::move(shared), rotation};
}

// A frame write the renderer does not read blocks; shutting the socket down
// ends it.
void DisplayStreamer::interruptLocked()
{
    if (m_connectedFd >= 0)
        ::shutdown(m_connectedFd, SHUT_RDWR);
    m_changed.notify_all();
}

void DisplayStreamer::setConnectedFd(int fd)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_connectedFd = fd;
    if (fd < 0)
        m_dropRequested = false;
}

bool DisplayStreamer::waitForAddress(Address &address)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_stopping || m_address.has_value(); });
    if (m_stopping)
        return false;
    m_addressChanged = false;
    m_dropRequested = false;
    address = *m_address;
    return true;
}

bool DisplayStreamer::pause(std::chrono::milliseconds duration)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait_for(lock, duration, [this] { return m_stopping || m_addressChanged; });
    return !m_stopping;
}

void DisplayStreamer::run()
{
    Backoff backoff;
    bool reportFailure = true;
    Address address;
    while (waitForAddress(address)) {
        guest::GuestSocket socket =
            guest::GuestSocket::connectTo(address.host, address.port, kConnectTimeout);
        if (!socket.isOpen()) {
            if (reportFailure)
                std::fprintf(stderr, "gl: cannot connect to %s:%u (%s), retrying\n",
                             address.host.c_str(), unsigned(address.port),
                             std::strerror(socket.lastError()));
            reportFailure = false;
            if (!pause(backoff.next()))
                break;
            continue;
        }
        backoff.reset();
        reportFailure = true;
        setConnectedFd(socket.fd());
        m_log.write(events::kGuest, events::kOut, "connected", {{"link", events::kGl}});
        const std::string reason = stream(socket);
        setConnectedFd(-1);
        socket.close();
        m_log.write(events::kGuest, events::kOut, "disconnected",
                    {{"link", events::kGl}, {"reason", QString::fromStdString(reason)}});
        std::fprintf(stderr, "gl: connection ended: %s\n", reason.c_str());
        if (!pause(backoff.next()))
            break;
    }
}

std::string DisplayStreamer::interruptionLocked() const
{
    if (m_stopping)
        return "the guest is stopping";
    if (m_dropRequested)
        return "dropped on request";
    if (m_addressChanged)
        return "the address changed";
    return {};
}

// A write fails when another thread shuts the socket down; say why it did.
std::string DisplayStreamer::writeFailure(const char *what, const guest::GuestSocket &socket) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const std::string reason = interruptionLocked();
    return reason.empty() ? std::string(what) + ": " + std::strerror(socket.lastError()) : reason;
}

std::string DisplayStreamer::stream(guest::GuestSocket &socket)
{
    if (!socket.sendAll(guest::encodeFrameStreamHello()))
        return writeFailure("hello not sent", socket);
    m_log.write(events::kGl, events::kOut, "hello",
                {{"version", int(framestream::kFrameStreamVersion)}});
    std::optional<SentShape> lastSent;
    auto due = Clock::now();
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait_until(lock, due, [this] { return !interruptionLocked().empty(); });
            if (std::string reason = interruptionLocked(); !reason.empty())
                return reason;
        }
        if (!sendScreen(socket, lastSent))
            return writeFailure("frame not sent", socket);
        due += m_interval;
        // After a stall, go on at the frame rate instead of catching up in a burst.
        const auto now = Clock::now();
        if (due < now)
            due = now;
    }
}

bool DisplayStreamer::sendScreen(guest::GuestSocket &socket, std::optional<SentShape> &lastSent)
{
    Screen screen;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        screen = m_screen;
    }
    if (!screen.image || screen.image->isNull())
        return true;
    const QImage &image = *screen.image;
    const guest::FrameInfo info{static_cast<std::uint32_t>(image.width()),
                                static_cast<std::uint32_t>(image.height()), screen.rotation, 0};
    if (!guest::sendFrame(socket, info, image.constBits(),
                          static_cast<std::size_t>(image.sizeInBytes())))
        return false;
    const SentShape shape{image.size(), screen.rotation};
    if (!lastSent || lastSent->size != shape.size || lastSent->rotation != shape.rotation)
        m_log.write(
            events::kGl, events::kOut, "frame",
            {{"w", image.width()}, {"h", image.height()}, {"rotation", int(screen.rotation)}});
    lastSent = shape;
    return true;
}
