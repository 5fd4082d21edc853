#pragma once

#include <guestproto/StreamDecoder.h>
#include <guestproto/VirtualInputMessages.h>

namespace guest {

// Decodes the virtual input connection: code, payload length, payload. Each
// code has one fixed length; any other length is an error.
class VirtualInputDecoder final : public StreamDecoder<VirtualInputMessage>
{
protected:
    Step decodeOne(ByteReader &reader, VirtualInputMessage &out) override;
};

} // namespace guest
