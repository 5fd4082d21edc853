#pragma once

#include <guestproto/StreamDecoder.h>

#include <string>

namespace guest {

// Decodes the input-method connection: byte length, then the committed
// UTF-8 text; no message code. Texts above kInputMethodTextMax bytes are an
// error.
class InputMethodDecoder final : public StreamDecoder<std::string>
{
protected:
    Step decodeOne(ByteReader &reader, std::string &out) override;
};

} // namespace guest
