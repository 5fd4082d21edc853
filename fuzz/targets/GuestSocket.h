#pragma once

// A guest connection for the service library's readable callbacks: a
// socket pair, one end a service handle (as the server manager would pass
// it), the other end loaded with the whole input and then shut for
// writing, so that a message cut short ends in end-of-stream at once
// instead of in the service's per-message deadline. A pair per input: only
// a closed write side tells the reader that no more bytes will come.

#include <cstddef>
#include <cstdint>

namespace fuzzing {

class GuestSocket
{
public:
    GuestSocket(const std::uint8_t *data, std::size_t size);
    ~GuestSocket();
    GuestSocket(const GuestSocket &) = delete;
    GuestSocket &operator=(const GuestSocket &) = delete;

    // False when the pair could not be made or the input did not fit the
    // socket's buffer; the input is then skipped.
    bool ok() const { return m_handle > 0; }
    int handle() const { return m_handle; }

    // Calls readable as the server manager does, until it stops watching
    // the handle, and aborts when a call that keeps watching took no bytes
    // (the loop thread would spin) or a call that ends the connection
    // left it open. The last result.
    int serve(int (*readable)(int handle), bool (*isCurrent)(int handle));

private:
    std::size_t unread() const;

    int m_handle = -1;
    int m_guestEnd = -1;
};

} // namespace fuzzing
