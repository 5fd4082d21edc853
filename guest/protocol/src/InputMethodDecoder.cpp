#include <guestproto/InputMethodDecoder.h>

#include <guestproto/WireCodes.h>

namespace guest {

InputMethodDecoder::Step InputMethodDecoder::decodeOne(ByteReader &reader, std::string &out)
{
    return readText(reader, kInputMethodTextMax, "input method text", out);
}

} // namespace guest
