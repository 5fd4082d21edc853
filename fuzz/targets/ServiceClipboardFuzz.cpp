// The host side of the clipboard connection: the guest's texts, read from a
// real socket by the service's own readable callback with the connection
// current, as the server manager runs it.

#include "DecoderFuzzing.h"
#include "GuestSocket.h"

#include <clipboard_internal.h>

#include <service/clipboard.h>

#include <QString>

namespace {

std::size_t g_texts = 0;
std::size_t g_inputSize = 0;

// A text ends at its first NUL; invalid UTF-8 becomes one replacement
// character per byte at most.
void onText(QString text, void *)
{
    ++g_texts;
    fuzzing::check(!text.contains(QChar(0)));
    fuzzing::check(static_cast<std::size_t>(text.size()) <= g_inputSize);
}

bool isCurrent(int handle)
{
    return service::clipboardConnection().handle() == handle;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // Port 0: the service's listening socket takes any free port; nothing
    // connects to it.
    static const bool ready = (clipboard_start(0, onText, nullptr), true);
    (void)ready;
    fuzzing::GuestSocket guest(data, size);
    if (!guest.ok())
        return 0;
    fuzzing::check(service::clipboardConnection().replace(guest.handle()) >= 0);
    g_texts = 0;
    g_inputSize = size;
    guest.serve(service::clipboardReadable, isCurrent);
    fuzzing::check(g_texts <= size / 8);
    service::clipboardConnection().closeIfCurrent(guest.handle());
    return 0;
}
