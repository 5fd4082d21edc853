#include <guestproto/FrameHeaderCheck.h>
#include <guestproto/FrameStreamWriter.h>

#include <algorithm>
#include <cstdlib>

// A header that passes the check must be one the writer could have produced:
// re-encoding it gives the same bytes apart from the reserved field.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    guest::checkFrameStreamHello(data, size);
    std::string reason;
    const auto info = guest::decodeFrameHeader(data, size, &reason);
    if (!info) {
        if (reason.empty())
            std::abort();
        return 0;
    }
    if (!guest::frameInfoValid(*info))
        std::abort();
    const guest::Bytes encoded = guest::encodeFrameHeader(*info);
    if (!std::equal(encoded.begin(), encoded.begin() + 28, data))
        std::abort();
    return 0;
}
