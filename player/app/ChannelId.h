#pragma once

#include <QString>

// The distribution channel identifier sent to the vendor's web service: the
// first line of the install folder's "channel.txt", read once per process,
// or the built-in "Hd82KsPq0v" when the file is missing, unreadable or its
// first line is empty.
QString channelId();

// The uncached reading of a channel file, with the same fallback.
QString readChannelId(const QString &channelFile);
