#pragma once

// The lines of events.jsonl: one compact JSON object per message the guest
// receives or sends, {"agent", "dir", "type", fields...}.

#include <guestproto/MiscMessages.h>
#include <guestproto/VirtualInputMessages.h>

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <string>

namespace events {

// The "agent" values; also the names the control command `drop` takes.
inline constexpr const char kVinput[] = "vinput";
inline constexpr const char kMisc[] = "misc";
inline constexpr const char kClipboard[] = "clipboard";
inline constexpr const char kIme[] = "ime";
inline constexpr const char kGl[] = "gl";
inline constexpr const char kGuest[] = "guest";

inline constexpr const char kIn[] = "in";
inline constexpr const char kOut[] = "out";

// Host text bytes as they arrived; invalid UTF-8 becomes replacement characters.
QString textFromWire(const std::string &bytes);

// The fields of a received message (without agent, dir and type).
QJsonObject fieldsOf(const guest::VirtualInputMessage &message);
QJsonObject fieldsOf(const guest::MiscMessage &message);

// One line, newline included. agent, dir and type take precedence over
// fields of the same name.
QByteArray line(const char *agent, const char *dir, const char *type, const QJsonObject &fields);

} // namespace events
