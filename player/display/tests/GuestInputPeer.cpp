#include "GuestInputPeer.h"

#include <service/input_method.h>
#include <service/vinput.h>

#include <chrono>
#include <string>
#include <type_traits>

using namespace std::chrono_literals;

namespace {

constexpr std::chrono::milliseconds kDeadline = 10s;
constexpr int kMarker = 0x5eed;

QString action(int code, const char *const names[3])
{
    return code >= 0 && code <= 2 ? QString::fromLatin1(names[code]) : QString::number(code);
}

const char *const kKeyActions[3] = {"down", "up", "?"};
const char *const kTouchActions[3] = {"down", "up", "move"};

bool isMarker(const guest::VirtualInputMessage &message)
{
    const auto *offset = std::get_if<guest::MouseOffset>(&message);
    return offset != nullptr && offset->dx == kMarker && offset->dy == -kMarker;
}

template <typename Decoder, typename Done>
bool readUntil(guest::GuestSocket &socket, Decoder &decoder, Done done)
{
    const auto deadline = std::chrono::steady_clock::now() + kDeadline;
    std::uint8_t buffer[4096];
    for (;;) {
        while (auto message = decoder.next()) {
            if (done(*message))
                return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        const guest::ReadSomeResult read = socket.readSome(buffer, sizeof buffer, left);
        if (read.status != guest::ReadStatus::Ok || !decoder.feed(buffer, read.bytes))
            return false;
    }
}

} // namespace

QString describe(const guest::VirtualInputMessage &message)
{
    return std::visit(
        [](const auto &m) -> QString {
            using T = std::decay_t<decltype(m)>;
            if constexpr (std::is_same_v<T, guest::KeyInput>) {
                QString text = QStringLiteral("key %1 %2").arg(m.scan).arg(action(m.action, kKeyActions));
                return m.extra == 0 ? text : text + QStringLiteral(" extra %1").arg(m.extra);
            } else if constexpr (std::is_same_v<T, guest::TouchInput>) {
                QString text = QStringLiteral("touch %1 %2 %3")
                                   .arg(action(m.action, kTouchActions))
                                   .arg(m.x)
                                   .arg(m.y);
                return m.contact == 1 ? text : text + QStringLiteral(" contact %1").arg(m.contact);
            } else if constexpr (std::is_same_v<T, guest::WheelInput>) {
                return QStringLiteral("wheel %1 %2 at %3 %4").arg(m.dx).arg(m.dy).arg(m.x).arg(m.y);
            } else if constexpr (std::is_same_v<T, guest::TouchConfig>) {
                return QStringLiteral("config %1 %2").arg(m.w).arg(m.h);
            } else if constexpr (std::is_same_v<T, guest::MouseOffset>) {
                return QStringLiteral("offset %1 %2").arg(m.dx).arg(m.dy);
            } else if constexpr (std::is_same_v<T, guest::MouseLeftButton>) {
                return QStringLiteral("left %1").arg(action(m.action, kKeyActions));
            } else if constexpr (std::is_same_v<T, guest::MouseRightButton>) {
                return QStringLiteral("right %1 %2").arg(m.a).arg(m.b);
            } else {
                static_assert(std::is_same_v<T, guest::ZoomInput>);
                return QStringLiteral("zoom %1 %2 step %3").arg(m.x).arg(m.y).arg(m.step);
            }
        },
        message);
}

bool GuestInputPeer::connect(std::uint16_t port)
{
    m_decoder.reset();
    m_socket = guest::GuestSocket::connectTo("127.0.0.1", port, kDeadline);
    if (!m_socket.isOpen())
        return false;
    return readUntil(m_socket, m_decoder, [](const guest::VirtualInputMessage &message) {
        return std::holds_alternative<guest::TouchConfig>(message);
    });
}

std::optional<QStringList> GuestInputPeer::messages()
{
    vinput_mouse_offset(kMarker, -kMarker);
    QStringList lines;
    const bool complete =
        readUntil(m_socket, m_decoder, [&lines](const guest::VirtualInputMessage &message) {
            if (isMarker(message))
                return true;
            lines << describe(message);
            return false;
        });
    if (!complete)
        return std::nullopt;
    return lines;
}

bool GuestTextPeer::connect(std::uint16_t port)
{
    m_decoder.reset();
    m_socket = guest::GuestSocket::connectTo("127.0.0.1", port, kDeadline);
    if (!m_socket.isOpen())
        return false;
    // Texts sent before the service has accepted are lost: probe until one
    // arrives, then drop the probes that follow it.
    const auto deadline = std::chrono::steady_clock::now() + kDeadline;
    std::string probe = "probe";
    std::uint8_t buffer[256];
    while (std::chrono::steady_clock::now() < deadline) {
        input_method_send_text(probe.data(), static_cast<int>(probe.size()));
        const guest::ReadSomeResult read = m_socket.readSome(buffer, sizeof buffer, 50ms);
        if (read.status == guest::ReadStatus::TimedOut)
            continue;
        if (read.status != guest::ReadStatus::Ok || !m_decoder.feed(buffer, read.bytes))
            return false;
        return textsUntil("connected").has_value();
    }
    return false;
}

QByteArray GuestTextPeer::readRaw(int size)
{
    QByteArray bytes(size, '\0');
    if (m_socket.readExact(bytes.data(), static_cast<std::size_t>(size), kDeadline) !=
        guest::ReadStatus::Ok)
        return QByteArray();
    return bytes;
}

std::optional<QStringList> GuestTextPeer::texts()
{
    return textsUntil("\x01marker");
}

std::optional<QStringList> GuestTextPeer::textsUntil(const std::string &marker)
{
    std::string copy = marker;
    input_method_send_text(copy.data(), static_cast<int>(copy.size()));
    QStringList texts;
    const bool complete = readUntil(m_socket, m_decoder, [&](const std::string &text) {
        if (text == marker)
            return true;
        texts << QString::fromStdString(text);
        return false;
    });
    if (!complete)
        return std::nullopt;
    return texts;
}
