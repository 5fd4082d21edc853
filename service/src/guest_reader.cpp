#include "guest_reader.h"

#include "handle_table.h"
#include "platform/socket_platform.h"
#include "wire.h"

#include <service/socket.h>

#include <algorithm>
#include <vector>

namespace service {

GuestReader::GuestReader(int handle, std::chrono::milliseconds timeout)
    : m_handle(handle), m_deadline(std::chrono::steady_clock::now() + timeout)
{
}

bool GuestReader::readInt(std::int32_t &value)
{
    return readInts(&value, 1);
}

bool GuestReader::readInts(std::int32_t *values, int count)
{
    char bytes[64];
    const int length = count * 4;
    if (count <= 0 || length > static_cast<int>(sizeof bytes))
        return false;
    if (!readBytes(bytes, length))
        return false;
    for (int i = 0; i < count; ++i)
        values[i] = wire::getInt32(bytes + 4 * i);
    return true;
}

bool GuestReader::readBytes(void *buffer, int length)
{
    char *const bytes = static_cast<char *>(buffer);
    int done = 0;
    while (done < length) {
        if (!waitReadable())
            return false;
        const int got = box_read(m_handle, bytes + done, length - done);
        if (got <= 0)
            return false;
        done += got;
    }
    return true;
}

bool GuestReader::discard(std::int32_t length)
{
    if (length < 0 || length > kMaxGuestPayload)
        return false;
    std::vector<char> scratch(static_cast<std::size_t>(std::min(length, 16384)));
    while (length > 0) {
        const int chunk = std::min(length, static_cast<std::int32_t>(scratch.size()));
        if (!readBytes(scratch.data(), chunk))
            return false;
        length -= chunk;
    }
    return true;
}

// A receive only after the socket is readable, so that no single call can
// wait past the deadline.
bool GuestReader::waitReadable()
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(
        m_deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0)
        return false;
    std::vector<net::PollItem> items{net::PollItem{nativeSocketOf(m_handle), false}};
    if (items.front().socket == net::kInvalidSocket)
        return false;
    return net::pollReadable(items, static_cast<int>(left.count())) > 0 && items.front().ready;
}

} // namespace service
