#pragma once

#include <guestproto/StreamDecoder.h>

#include <string>

namespace guest {

// Decodes the host's clipboard texts: code 35, byte length, UTF-8 bytes.
// Texts above kClipboardTextMax bytes are an error.
class ClipboardDecoder final : public StreamDecoder<std::string>
{
protected:
    Step decodeOne(ByteReader &reader, std::string &out) override;
};

} // namespace guest
