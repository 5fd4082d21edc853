#include <guestproto/GuestMessages.h>

#include <guestproto/ByteWriter.h>
#include <guestproto/WireCodes.h>

namespace guest {

namespace {

// Lengths on the wire are signed 32-bit; a caller handing more than that is a
// programming error the encoder must not turn into a wrapped length.
std::int32_t wireLength(std::string_view text)
{
    constexpr std::size_t kMax = 0x7fffffff;
    return static_cast<std::int32_t>(text.size() > kMax ? kMax : text.size());
}

std::string_view clampText(std::string_view text)
{
    return text.substr(0, static_cast<std::size_t>(wireLength(text)));
}

} // namespace

Bytes encodeGuestReady(std::int32_t value)
{
    return ByteWriter(8).i32(misc::kGuestReady).i32(value).take();
}

Bytes encodeEngineState(bool enabled)
{
    return ByteWriter(12).i32(misc::kEngine).i32(misc::kEngineEnable).i32(enabled ? 1 : 0).take();
}

Bytes encodeEngineCommand(std::int32_t subCommand)
{
    return ByteWriter(8).i32(misc::kEngine).i32(subCommand).take();
}

Bytes encodeMouseLock(std::int32_t value)
{
    return ByteWriter(16).i32(misc::kMouseLock).i32(misc::kMouseLockValue).i32(4).i32(value).take();
}

Bytes encodeMouseLockCommand(std::int32_t subCommand)
{
    return ByteWriter(12).i32(misc::kMouseLock).i32(subCommand).i32(0).take();
}

Bytes encodeInstallResult(std::int32_t result, std::string_view text)
{
    const std::string_view body = clampText(text);
    return ByteWriter(12 + body.size())
        .i32(misc::kInstall)
        .i32(result)
        .i32(wireLength(body))
        .bytes(body)
        .take();
}

Bytes encodeClipboard(std::string_view text)
{
    const std::string_view body = clampText(text);
    return ByteWriter(8 + body.size()).i32(kClipboardCode).i32(wireLength(body)).bytes(body).take();
}

} // namespace guest

