#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <optional>

class QNetworkAccessManager;
class QNetworkReply;
class QUrl;

// Every web request of the player goes through here: it gives up after
// timeoutMs without a byte and after deadlineMs in all, and an answer that
// grows beyond its bound is aborted with a log line, so that a slow,
// trickling or runaway server can neither hold a reply for ever nor fill
// the memory. An aborted reply finishes with an error.
namespace BoundedGet {

inline constexpr int kTimeoutMs = 15000;
inline constexpr int kDeadlineMs = 120000;
inline constexpr qint64 kPageBytes = 1024 * 1024;
inline constexpr qint64 kFileBytes = 16 * 1024 * 1024;

QNetworkReply *get(QNetworkAccessManager &manager, const QUrl &url, qint64 maxBytes,
                   int timeoutMs = kTimeoutMs, int deadlineMs = kDeadlineMs);

// The whole body of a finished reply made by get(): none when it failed or
// went beyond its bound (an answer can finish arriving before the abort).
std::optional<QByteArray> body(QNetworkReply *reply);

} // namespace BoundedGet
