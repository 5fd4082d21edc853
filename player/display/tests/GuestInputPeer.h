#pragma once

// The guest's input agents for tests: real loopback connections to the
// virtual input and input method services, decoded with the guest's own
// decoders.

#include <guestproto/GuestSocket.h>
#include <guestproto/InputMethodDecoder.h>
#include <guestproto/VirtualInputDecoder.h>

#include <QByteArray>
#include <QStringList>

#include <cstdint>
#include <optional>

// One line per message, e.g. "key 30 down", "touch move 300 240",
// "wheel 0 120 at 20 40", "offset 64 -36", "left up", "right 1 1",
// "zoom 200 100 step -20", "config 1280 720". Fields the player always
// sends with one value (key extra 0, touch contact 1) appear only when
// they differ.
QString describe(const guest::VirtualInputMessage &message);

class GuestInputPeer
{
public:
    // Connects to the virtual input service and waits for the touch
    // configuration that every new connection starts with.
    bool connect(std::uint16_t port);

    // Everything the service sent since the last call. A marker sent through
    // the service ends the batch (one connection's messages keep their
    // order), so nothing is waited for longer than needed. Empty optional
    // when the marker does not arrive in time or the stream is malformed.
    std::optional<QStringList> messages();

private:
    guest::GuestSocket m_socket;
    guest::VirtualInputDecoder m_decoder;
};

class GuestTextPeer
{
public:
    // Connects to the input method service and waits until texts sent
    // through it arrive (the service accepts on its own thread).
    bool connect(std::uint16_t port);

    // The next raw bytes of exactly size bytes; empty when they do not come.
    QByteArray readRaw(int size);

    // Texts sent since the last call, ended by a marker like messages().
    std::optional<QStringList> texts();

private:
    std::optional<QStringList> textsUntil(const std::string &marker);

    guest::GuestSocket m_socket;
    guest::InputMethodDecoder m_decoder;
};
