// The host side of the input-method connection, on which the guest has
// nothing to say: whatever it sends must be read away without the loop
// thread spinning, and its end must end the watching.

#include "DecoderFuzzing.h"
#include "GuestSocket.h"

#include <handle_table.h>
#include <input_method_internal.h>

#include <service/input_method.h>
#include <service/socket.h>

namespace {

bool isOpen(int handle)
{
    return service::openRecord(handle) != nullptr;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzzing::GuestSocket guest(data, size);
    if (!guest.ok())
        return 0;
    // The callback never closes: it only stops watching at end-of-stream.
    fuzzing::check(guest.serve(service::inputMethodReadable, isOpen) == 0);
    box_close(guest.handle());
    return 0;
}
