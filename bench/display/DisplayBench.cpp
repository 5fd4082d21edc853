// Display-stream benchmark. A guest thread streams RGBA frames over loopback
// to the renderer's stream server, which runs in this process exactly as in
// the library; a recorder thread captures at 25 fps as the player's screen
// recorder does. Printed: the guest's own send rate, the rate at which frames
// became available to capture, frames lost, and the time from a frame
// leaving the guest (its sentAtUs) to its being available. The yardstick,
// in the same run: the same bytes at the same pace through a plain loopback
// socket into a buffer, which is what any display path must at least pay.
//
// Usage: bench_display [seconds] [fps] [width] [height]
//        (defaults: 10 s, 30 fps, 1280 x 720)

#include "Frame.h"
#include "FrameStore.h"
#include "FrameStreamServer.h"

#include <guestproto/FrameStreamWriter.h>
#include <guestproto/GuestSocket.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kTargetP99Ms = 33.0;

struct Setup
{
    double seconds = 10;
    int fps = 30;
    std::uint32_t width = 1280;
    std::uint32_t height = 720;
    int frames() const { return std::max(2, int(seconds * fps)); }
    std::size_t frameBytes() const { return std::size_t(width) * height * 4; }
};

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto index = std::size_t(fraction * double(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

// Two guest screens, so that consecutive frames differ as a live screen's do.
using Screens = std::vector<std::vector<std::uint8_t>>;

Screens guestScreens(const Setup &setup)
{
    Screens screens(2);
    for (std::size_t s = 0; s < screens.size(); ++s) {
        auto &pixels = screens[s];
        pixels.resize(setup.frameBytes());
        for (std::size_t i = 0; i < pixels.size(); i += 4) {
            const std::size_t x = (i / 4) % setup.width, y = (i / 4) / setup.width;
            pixels[i] = std::uint8_t(x + s * 40);
            pixels[i + 1] = std::uint8_t(y);
            pixels[i + 2] = std::uint8_t((x ^ y) + s * 90);
            pixels[i + 3] = 255;
        }
    }
    return screens;
}

struct Arrivals
{
    std::mutex mutex;
    std::vector<double> latencyMs;
    Clock::time_point first, last;
};

struct GuestResult
{
    int sent = 0;
    double seconds = 0;
    bool connected = false;
};

// Sends the frames at the set pace; send returns false to stop.
template <typename Send> GuestResult paceFrames(const Setup &setup, const Screens &screens, Send send)
{
    GuestResult result;
    result.connected = true;
    const auto period = std::chrono::nanoseconds(1000000000LL / setup.fps);
    const auto start = Clock::now();
    for (int i = 0; i < setup.frames(); ++i) {
        std::this_thread::sleep_until(start + i * period);
        if (!send(screens[std::size_t(i) % screens.size()]))
            break;
        ++result.sent;
    }
    result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return result;
}

GuestResult streamFrames(std::uint16_t port, const Setup &setup, const Screens &screens)
{
    guest::GuestSocket socket =
        guest::GuestSocket::connectTo("127.0.0.1", port, std::chrono::seconds(5));
    if (!socket.isOpen() || !socket.sendAll(guest::encodeFrameStreamHello()))
        return {};
    return paceFrames(setup, screens, [&](const std::vector<std::uint8_t> &pixels) {
        const guest::FrameInfo info{setup.width, setup.height, 0, 0};
        return guest::sendFrame(socket, info, pixels.data(), pixels.size());
    });
}

// The yardstick: each frame is its send time and its pixels, read whole
// into a buffer on the far side of a plain loopback connection.
std::vector<double> plainLoopbackMs(const Setup &setup, const Screens &screens)
{
    std::vector<double> latencyMs;
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
        || ::listen(listener, 1) != 0
        || ::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        if (listener >= 0)
            ::close(listener);
        return latencyMs;
    }
    std::thread reader([&] {
        const int peer = ::accept(listener, nullptr, nullptr);
        std::vector<std::uint8_t> buffer(sizeof(std::uint64_t) + setup.frameBytes());
        guest::GuestSocket socket = guest::GuestSocket::adopt(peer);
        while (socket.readExact(buffer.data(), buffer.size(), std::chrono::seconds(5)) == guest::ReadStatus::Ok) {
            std::uint64_t sentAtUs = 0;
            std::memcpy(&sentAtUs, buffer.data(), sizeof sentAtUs);
            latencyMs.push_back(double(guest::monotonicMicros() - sentAtUs) / 1000.0);
        }
    });
    guest::GuestSocket socket =
        guest::GuestSocket::connectTo("127.0.0.1", ntohs(address.sin_port), std::chrono::seconds(5));
    paceFrames(setup, screens, [&](const std::vector<std::uint8_t> &pixels) {
        const std::uint64_t sentAtUs = guest::monotonicMicros();
        return socket.sendAll(&sentAtUs, sizeof sentAtUs) && socket.sendAll(pixels);
    });
    socket.close();
    reader.join();
    ::close(listener);
    return latencyMs;
}

} // namespace

int main(int argc, char **argv)
{
    Setup setup;
    if (argc > 1)
        setup.seconds = std::max(0.2, std::atof(argv[1]));
    if (argc > 2)
        setup.fps = std::clamp(std::atoi(argv[2]), 1, 240);
    if (argc > 4) {
        setup.width = std::uint32_t(std::clamp(std::atoi(argv[3]), 16, 4096));
        setup.height = std::uint32_t(std::clamp(std::atoi(argv[4]), 16, 4096));
    }
    const Screens screens = guestScreens(setup);

    renderer::FrameStore store;
    Arrivals arrivals;
    renderer::FrameStreamServer server([&](std::shared_ptr<renderer::Frame> frame) {
        const std::uint64_t sentAtUs = frame->sentAtUs;
        store.publish(std::move(frame));
        const std::uint64_t availableUs = guest::monotonicMicros();
        std::lock_guard<std::mutex> lock(arrivals.mutex);
        const auto now = Clock::now();
        if (arrivals.latencyMs.empty())
            arrivals.first = now;
        arrivals.last = now;
        arrivals.latencyMs.push_back(double(availableUs - sentAtUs) / 1000.0);
    });
    if (!server.start()) {
        std::fprintf(stderr, "bench_display: the stream server did not start\n");
        return 1;
    }

    std::atomic<bool> recording{true};
    std::vector<double> captureMs;
    std::thread recorder([&] {
        std::vector<std::uint8_t> buffer(setup.frameBytes());
        const auto period = std::chrono::milliseconds(40);
        for (auto next = Clock::now(); recording; next += period) {
            std::this_thread::sleep_until(next);
            const auto frame = store.newest();
            const auto begin = Clock::now();
            if (frame && frame->copyTo(buffer.data(), int(setup.width), int(setup.height)))
                captureMs.push_back(
                    std::chrono::duration<double, std::milli>(Clock::now() - begin).count());
        }
    });

    const GuestResult guest = streamFrames(server.port(), setup, screens);
    // The last frame is in flight for a moment after the guest has sent it.
    const auto settle = Clock::now() + std::chrono::seconds(2);
    while (Clock::now() < settle) {
        {
            std::lock_guard<std::mutex> lock(arrivals.mutex);
            if (int(arrivals.latencyMs.size()) >= guest.sent)
                break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    recording = false;
    recorder.join();
    const std::vector<double> plainMs = plainLoopbackMs(setup, screens);

    std::lock_guard<std::mutex> lock(arrivals.mutex);
    const int received = int(arrivals.latencyMs.size());
    const double span = std::chrono::duration<double>(arrivals.last - arrivals.first).count();
    const double receivedFps = received > 1 && span > 0 ? (received - 1) / span : 0;
    const double sentFps = guest.seconds > 0 ? guest.sent / guest.seconds : 0;
    const double p50 = percentile(arrivals.latencyMs, 0.50);
    const double p99 = percentile(arrivals.latencyMs, 0.99);
    const double worst = percentile(arrivals.latencyMs, 1.0);

    std::printf("display stream: %ux%u RGBA8888 at %d fps for %.1f s, in-process stream server\n",
                setup.width, setup.height, setup.fps, setup.seconds);
    std::printf("guest sent:         %d frames in %.2f s = %.2f fps\n", guest.sent, guest.seconds,
                sentFps);
    std::printf("renderer received:  %d frames = %.2f fps, %d lost\n", received, receivedFps,
                guest.sent - received);
    std::printf("send to capture:    p50 %.2f ms, p99 %.2f ms, max %.2f ms\n", p50, p99, worst);
    std::printf("plain loopback:     %zu frames, p50 %.2f ms, p99 %.2f ms, max %.2f ms (yardstick)\n",
                plainMs.size(), percentile(plainMs, 0.50), percentile(plainMs, 0.99), percentile(plainMs, 1.0));
    std::printf("capture %ux%u:   p50 %.2f ms, p99 %.2f ms (%zu captures at 25 fps alongside)\n", setup.width,
                setup.height, percentile(captureMs, 0.50), percentile(captureMs, 0.99), captureMs.size());
    const bool met = received == guest.sent && receivedFps >= sentFps * 0.98 && p99 < kTargetP99Ms;
    std::printf("target (no frame-rate loss, p99 < %.0f ms): %s\n", kTargetP99Ms,
                met ? "met" : "NOT met");
    if (!guest.connected || received == 0) {
        std::fprintf(stderr, "bench_display: no frame reached the renderer\n");
        return 1;
    }
    return 0;
}
