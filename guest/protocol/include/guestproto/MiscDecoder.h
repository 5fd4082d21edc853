#pragma once

#include <guestproto/MiscMessages.h>
#include <guestproto/StreamDecoder.h>

namespace guest {

// Decodes the host-to-guest side of the misc connection: shake, engine
// enable and editor, GPS on/off and fixes, install requests. The codes the
// guest itself sends (mouse lock, guest ready) and any sub-command other
// than those listed are errors, since their framing is unknown.
class MiscDecoder final : public StreamDecoder<MiscMessage>
{
protected:
    Step decodeOne(ByteReader &reader, MiscMessage &out) override;

private:
    Step decodeEngine(ByteReader &reader, std::int32_t sub, MiscMessage &out);
    Step decodeGps(ByteReader &reader, std::int32_t sub, MiscMessage &out);
    Step decodeInstall(ByteReader &reader, std::int32_t sub, MiscMessage &out);
    Step unknownSub(std::int32_t code, std::int32_t sub);
};

} // namespace guest
