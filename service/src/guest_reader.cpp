#include "guest_reader.h"

#include "wire.h"

#include <service/socket.h>

#include <algorithm>

namespace service {

bool readInt(int handle, std::int32_t &value)
{
    return readInts(handle, &value, 1);
}

bool readInts(int handle, std::int32_t *values, int count)
{
    char bytes[64];
    const int length = count * 4;
    if (count <= 0 || length > static_cast<int>(sizeof bytes))
        return false;
    if (read_fully(handle, bytes, length) != length)
        return false;
    for (int i = 0; i < count; ++i)
        values[i] = wire::getInt32(bytes + 4 * i);
    return true;
}

bool discardFully(int handle, std::int64_t length)
{
    char scratch[16384];
    while (length > 0) {
        const int chunk = static_cast<int>(std::min<std::int64_t>(length, sizeof scratch));
        if (read_fully(handle, scratch, chunk) != chunk)
            return false;
        length -= chunk;
    }
    return true;
}

} // namespace service
