#pragma once

#include "LinkThread.h"

#include <QImage>

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

class EventLog;

namespace guest {
class GuestSocket;
}

// The display stream to the renderer, on a thread of its own: once an
// address is known it connects, sends the hello, then the newest published
// screen at a steady frame rate, whether or not it changed (the renderer
// keeps only the newest frame). Reconnects after a pause when a write fails,
// the address changes or `drop` asks for it.
class DisplayStreamer : public LinkThread
{
public:
    struct Address
    {
        std::string host;
        std::uint16_t port = 0;
    };

    // "HOST:PORT" with a port of 1 to 65535; nothing for anything else.
    static std::optional<Address> parseAddress(const std::string &text);

    DisplayStreamer(EventLog &log, int framesPerSecond);
    ~DisplayStreamer();

    void setAddress(Address address);

    // The screen to stream from now on: RGBA8888 in the display's natural
    // orientation, and how far the guest has turned it (0, 90, 180, 270).
    // The image is only read afterwards, never changed.
    void publish(QImage image, std::uint32_t rotation);

private:
    // Shared with the stream thread through a shared_ptr, whose counting
    // (unlike QImage's own) the thread checkers can follow.
    struct Screen
    {
        std::shared_ptr<const QImage> image;
        std::uint32_t rotation = 0;
    };

    struct SentShape
    {
        QSize size;
        std::uint32_t rotation = 0;
    };

    void run() override;
    bool waitForAddress(Address &address);
    bool pause(std::chrono::milliseconds duration);
    // Why the connection is to end at another thread's request; empty if it is not.
    std::string interruptionLocked() const;
    std::string writeFailure(const char *what, const guest::GuestSocket &socket) const;
    // Streams over one connection until it ends; returns why it ended.
    std::string stream(guest::GuestSocket &socket);
    // True when the frame went out; logs a frame whose size or rotation is
    // new on this connection.
    bool sendScreen(guest::GuestSocket &socket, std::optional<SentShape> &lastSent);
    void setConnectedFd(int fd);
    void interruptLocked() override;

    EventLog &m_log;
    const std::chrono::microseconds m_interval;

    std::optional<Address> m_address;
    bool m_addressChanged = false;
    Screen m_screen;
};
