#include <guestproto/ClipboardDecoder.h>

#include <guestproto/WireCodes.h>

namespace guest {

ClipboardDecoder::Step ClipboardDecoder::decodeOne(ByteReader &reader, std::string &out)
{
    std::int32_t code = 0;
    if (!reader.i32(code))
        return Step::NeedMore;
    if (code != kClipboardCode)
        return fail(DecodeError::UnknownCode, "unknown clipboard code " + std::to_string(code));
    return readText(reader, kClipboardTextMax, "clipboard text", out);
}

} // namespace guest
