#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <string>

// Serves an install request: the file named by the host is looked up in the
// host folder of the "apk" share (read from the shares file at the time of
// the request, since the host shares the folder just before asking) and
// checked to be an APK.
namespace install {

// Results sent back on the misc connection; the failure codes follow the
// Android package manager's.
constexpr std::int32_t kInstalled = 1;
constexpr std::int32_t kInvalidApk = -2;
constexpr std::int32_t kInvalidUri = -3;

// The host keeps at most this many bytes of the result text.
constexpr int kMaxTextBytes = 1023;

struct Outcome
{
    std::int32_t result = kInvalidUri;
    QString text; // the app's name when installed, else why not
    QString appName;
};

// fileName is the host's bytes; it must be a plain name within the share.
Outcome installFromShare(const QString &sharesFile, const std::string &fileName);

// The text as UTF-8, cut to at most maxBytes without splitting a character.
QByteArray utf8Prefix(const QString &text, int maxBytes);

} // namespace install
