#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace guest {

#ifdef _WIN32
using NativeSocket = std::uintptr_t;
#else
using NativeSocket = int;
#endif

// Outcome of a read or of a wait for readability.
enum class ReadStatus {
    Ok,       // the bytes asked for arrived (or, for waitReadable, a read will not block)
    Closed,   // the peer closed the connection before all bytes arrived
    TimedOut, // the deadline passed first; bytes already read are lost to the caller
    Error,    // a socket error, or the socket is not open
};

const char *toString(ReadStatus status);

struct ReadSomeResult {
    ReadStatus status = ReadStatus::Error;
    std::size_t bytes = 0;
};

// A connected TCP client socket, as a guest agent holds one towards a host
// service. Move-only; the destructor closes it. Blocking I/O with bounded
// waits: every read takes a timeout, a negative one waits without limit.
class GuestSocket
{
public:
    static constexpr std::chrono::milliseconds kNoTimeout{-1};

    GuestSocket() = default;
    ~GuestSocket();
    GuestSocket(GuestSocket &&other) noexcept;
    GuestSocket &operator=(GuestSocket &&other) noexcept;
    GuestSocket(const GuestSocket &) = delete;
    GuestSocket &operator=(const GuestSocket &) = delete;

    // Takes ownership of an already connected socket (e.g. one accepted in a test).
    static GuestSocket adopt(NativeSocket socket);

    // Connects to host:port (numeric address or name), giving up after
    // timeout. Returns a closed socket on failure; lastError() of the result
    // then tells why. TCP_NODELAY is set on success.
    static GuestSocket connectTo(const std::string &host, std::uint16_t port,
                                 std::chrono::milliseconds timeout);

    bool isOpen() const { return m_socket != kInvalid; }
    NativeSocket fd() const { return m_socket; }
    // The system error code of the last failed call (errno on POSIX), 0 if none.
    int lastError() const { return m_lastError; }

    // Writes every byte or fails; a closed peer is a failure, never a signal.
    // Blocks while the peer does not read (the socket is blocking).
    bool sendAll(const void *data, std::size_t size);
    bool sendAll(const std::vector<std::uint8_t> &bytes);

    // Reads exactly size bytes within timeout (one deadline for the whole
    // read). A size of 0 returns Ok at once without touching the socket.
    ReadStatus readExact(void *buffer, std::size_t size, std::chrono::milliseconds timeout);

    // Reads whatever is available, at least one byte and at most capacity,
    // waiting up to timeout for the first byte. Suits the stream decoders.
    // A capacity of 0 is an Error (a zero-length recv would block).
    ReadSomeResult readSome(void *buffer, std::size_t capacity, std::chrono::milliseconds timeout);

    // Ok once a read would not block (data or end of stream), TimedOut, or Error.
    ReadStatus waitReadable(std::chrono::milliseconds timeout);

    bool setNoDelay(bool on = true);
    void close();

private:
#ifdef _WIN32
    static constexpr NativeSocket kInvalid = ~NativeSocket(0);
#else
    static constexpr NativeSocket kInvalid = -1;
#endif

    explicit GuestSocket(NativeSocket socket) : m_socket(socket) {}

    NativeSocket m_socket = kInvalid;
    int m_lastError = 0;
};

} // namespace guest
