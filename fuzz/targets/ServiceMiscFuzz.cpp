// The host side of the misc connection: guest ready, engine state, mouse
// lock and install result, read from a real socket by the service's own
// readable callback with the connection current, as the server manager
// runs it.

#include "DecoderFuzzing.h"
#include "GuestSocket.h"

#include <install_queue.h>
#include <misc_internal.h>

#include <service/misc.h>
#include <service/pm.h>

#include <cstring>

namespace {

struct Seen
{
    std::size_t inputSize = 0;
    std::size_t calls = 0;
};

Seen g_seen;

void onConnected(void *)
{
    ++g_seen.calls;
}

void onValue(void *, int)
{
    ++g_seen.calls;
}

void onInstallBegin(void *, const char *) {}

// The result text is cut to its field and always ends within it.
void onInstallEnd(void *, const char *text, int)
{
    ++g_seen.calls;
    fuzzing::check(std::strlen(text) < 1024 && std::strlen(text) <= g_seen.inputSize);
}

bool isCurrent(int handle)
{
    return service::miscConnection().handle() == handle;
}

void setUp()
{
    misc_set_callback(onConnected, nullptr);
    misc_set_engine_callbacks(onValue, nullptr);
    misc_set_engine_enabled_callback(onValue, nullptr);
    pm_set_callback(onInstallBegin, onInstallEnd, nullptr);
    service::installQueueStart();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const bool ready = (setUp(), true);
    (void)ready;
    fuzzing::GuestSocket guest(data, size);
    if (!guest.ok())
        return 0;
    fuzzing::check(service::miscConnection().replace(guest.handle()) >= 0);
    g_seen = Seen{size, 0};
    guest.serve(service::miscReadable, isCurrent);
    // Every message that reached a callback took at least 8 bytes.
    fuzzing::check(g_seen.calls <= size / 8);
    service::miscConnection().closeIfCurrent(guest.handle());
    return 0;
}
