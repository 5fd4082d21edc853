#include <guestproto/StreamDecoder.h>

namespace guest {

const char *toString(DecodeError error)
{
    switch (error) {
    case DecodeError::None:
        return "none";
    case DecodeError::UnknownCode:
        return "unknown code";
    case DecodeError::UnknownSubCommand:
        return "unknown sub-command";
    case DecodeError::BadLength:
        return "bad length";
    case DecodeError::TooLong:
        return "too long";
    }
    return "unknown";
}

} // namespace guest
