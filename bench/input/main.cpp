// Measures the input path: key messages injected with vinput_inject_key
// travel through the library's writer to a guest peer on loopback. The same
// figures are taken for a plain loopback socket written message by message
// on the caller's thread, in the same run, as the yardstick. Each path runs
// twice: back to back (throughput, and latency under a backlog) and paced
// (latency of the path itself).
//
//   bench_input [messages] [port]     (defaults: 100000, 20900)
//
// Each message carries its sequence number in the key's third field; the
// peer, reading on its own thread, records when each one arrived. Latency
// is from the call to the arrival. Exits 1 if a message is lost or out of
// order.

#include <service/server_manager.h>
#include <service/vinput.h>

#include <guestproto/GuestSocket.h>

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t kMessageSize = 20; // key: code, length, scan, action, sequence

std::int64_t nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

std::int32_t fieldAt(const std::uint8_t *message, int index)
{
    const std::uint8_t *p = message + 4 * index;
    return static_cast<std::int32_t>(std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 |
                                     std::uint32_t(p[2]) << 8 | std::uint32_t(p[3]));
}

// Reads key messages with sequence numbers first, first + 1, ... until
// count have arrived (or the stream fails), and notes when each arrived.
struct Peer
{
    std::vector<std::int64_t> arrivals;
    bool inOrder = true;
    std::size_t received = 0;

    void run(guest::GuestSocket &socket, std::size_t first, std::size_t count)
    {
        arrivals.assign(count, 0);
        std::vector<std::uint8_t> buffer(1 << 16);
        std::size_t filled = 0;
        while (received < count) {
            const guest::ReadSomeResult got = socket.readSome(
                buffer.data() + filled, buffer.size() - filled, std::chrono::seconds(10));
            if (got.status != guest::ReadStatus::Ok)
                return;
            const std::int64_t arrival = nowNs();
            filled += got.bytes;
            std::size_t used = 0;
            for (; filled - used >= kMessageSize; used += kMessageSize) {
                const std::int32_t sequence = fieldAt(buffer.data() + used, 4);
                if (received >= count || sequence != static_cast<std::int32_t>(first + received)) {
                    inOrder = false;
                    return;
                }
                arrivals[received++] = arrival;
            }
            std::copy(buffer.begin() + static_cast<std::ptrdiff_t>(used),
                      buffer.begin() + static_cast<std::ptrdiff_t>(filled), buffer.begin());
            filled -= used;
        }
    }
};

struct Figures
{
    double messagesPerSecond = 0;
    double p50Us = 0;
    double p99Us = 0;
    bool complete = false;
};

Figures figuresOf(const std::vector<std::int64_t> &sends, const Peer &peer)
{
    Figures figures;
    figures.complete = peer.inOrder && peer.received == sends.size();
    if (!figures.complete || sends.empty())
        return figures;
    std::vector<std::int64_t> latencies(sends.size());
    for (std::size_t i = 0; i < sends.size(); ++i)
        latencies[i] = peer.arrivals[i] - sends[i];
    std::sort(latencies.begin(), latencies.end());
    figures.p50Us = static_cast<double>(latencies[latencies.size() / 2]) / 1000.0;
    figures.p99Us = static_cast<double>(latencies[latencies.size() * 99 / 100]) / 1000.0;
    const double seconds = static_cast<double>(peer.arrivals.back() - sends.front()) / 1e9;
    figures.messagesPerSecond = static_cast<double>(sends.size()) / seconds;
    return figures;
}

// Sends the key message with the given sequence number.
using Sender = std::function<void(std::size_t sequence)>;

// count messages, back to back (interval 0) or one per interval.
Figures measure(guest::GuestSocket &socket, const Sender &send, std::size_t first,
                std::size_t count, std::chrono::microseconds interval)
{
    Peer peer;
    std::thread reader([&] { peer.run(socket, first, count); });
    std::vector<std::int64_t> sends(count);
    Clock::time_point next = Clock::now();
    for (std::size_t i = 0; i < count; ++i) {
        if (interval.count() > 0) {
            next += interval;
            std::this_thread::sleep_until(next);
        }
        sends[i] = nowNs();
        send(first + i);
    }
    reader.join();
    return figuresOf(sends, peer);
}

struct Result
{
    Figures burst;
    Figures paced;
};

Result measureBoth(guest::GuestSocket &socket, const Sender &send, std::size_t count,
                   std::chrono::microseconds interval)
{
    Result result;
    result.burst = measure(socket, send, 0, count, std::chrono::microseconds(0));
    result.paced = measure(socket, send, count, count, interval);
    return result;
}

Result benchLibrary(std::size_t count, std::uint16_t port, std::chrono::microseconds interval)
{
    server_manager_init();
    vinput_start(port);
    guest::GuestSocket socket =
        guest::GuestSocket::connectTo("127.0.0.1", port, std::chrono::seconds(10));
    std::uint8_t configuration[16];
    if (!socket.isOpen() || socket.readExact(configuration, sizeof configuration,
                                             std::chrono::seconds(10)) != guest::ReadStatus::Ok)
        return {};
    while (vinput_ready() == 0)
        std::this_thread::yield();

    const Result result = measureBoth(
        socket,
        [](std::size_t sequence) {
            vinput_inject_key(30, static_cast<int>(sequence % 2), static_cast<int>(sequence));
        },
        count, interval);
    vinput_stop();
    server_manager_cleanup();
    return result;
}

Result benchPlainSocket(std::size_t count, std::uint16_t port, std::chrono::microseconds interval)
{
    const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int yes = 1;
    ::setsockopt(server, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(server, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        ::listen(server, 4) != 0) {
        ::close(server);
        return {};
    }
    guest::GuestSocket socket =
        guest::GuestSocket::connectTo("127.0.0.1", port, std::chrono::seconds(10));
    const int connection = ::accept(server, nullptr, nullptr);
    ::setsockopt(connection, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);

    const Result result = measureBoth(
        socket,
        [connection](std::size_t sequence) {
            std::uint8_t message[kMessageSize] = {0, 0, 0, 1, 0, 0, 0, 12, 0, 0, 0, 30};
            message[15] = static_cast<std::uint8_t>(sequence % 2);
            message[16] = static_cast<std::uint8_t>(sequence >> 24);
            message[17] = static_cast<std::uint8_t>(sequence >> 16);
            message[18] = static_cast<std::uint8_t>(sequence >> 8);
            message[19] = static_cast<std::uint8_t>(sequence);
            std::size_t sent = 0;
            while (sent < kMessageSize) {
                const ssize_t n =
                    ::send(connection, message + sent, kMessageSize - sent, MSG_NOSIGNAL);
                if (n <= 0)
                    return;
                sent += static_cast<std::size_t>(n);
            }
        },
        count, interval);
    ::close(connection);
    ::close(server);
    return result;
}

void print(const char *name, const Figures &figures)
{
    std::printf("  %-22s %12.0f msg/s   p50 %8.1f us   p99 %8.1f us\n", name,
                figures.messagesPerSecond, figures.p50Us, figures.p99Us);
}

} // namespace

int main(int argc, char **argv)
{
    const std::size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
    const auto port = static_cast<std::uint16_t>(argc > 2 ? std::atoi(argv[2]) : 20900);
    if (count == 0) {
        std::fprintf(stderr, "usage: bench_input [messages] [port]\n");
        return 2;
    }
    // Paced: one message per interval, far faster than any player types,
    // but without a backlog, so the latency is the path's own.
    const std::chrono::microseconds interval(50);

    const Result library = benchLibrary(count, port, interval);
    const Result plain = benchPlainSocket(count, static_cast<std::uint16_t>(port + 1), interval);

    std::printf("%zu key messages of %zu bytes over loopback, per run\n", count, kMessageSize);
    std::printf("burst (back to back):\n");
    print("vinput_inject_key", library.burst);
    print("plain socket writes", plain.burst);
    std::printf("paced (one per %lld us):\n", static_cast<long long>(interval.count()));
    print("vinput_inject_key", library.paced);
    print("plain socket writes", plain.paced);
    if (plain.burst.messagesPerSecond > 0)
        std::printf("burst throughput ratio (vinput / plain): %.2f\n",
                    library.burst.messagesPerSecond / plain.burst.messagesPerSecond);
    if (plain.paced.p50Us > 0)
        std::printf("paced latency ratio (vinput / plain): p50 %.2f, p99 %.2f\n",
                    library.paced.p50Us / plain.paced.p50Us,
                    library.paced.p99Us / plain.paced.p99Us);
    const bool complete = library.burst.complete && library.paced.complete &&
                          plain.burst.complete && plain.paced.complete;
    if (!complete) {
        std::printf("FAILED: messages lost or out of order\n");
        return 1;
    }
    std::printf("all messages arrived in order\n");
    return 0;
}
