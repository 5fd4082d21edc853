// Display-stream benchmark. A guest thread streams 1280 x 720 RGBA frames at
// 30 fps over loopback to the renderer's stream server, which runs in this
// process exactly as in the library; a recorder thread captures at 25 fps as
// the player's screen recorder does. Printed: the guest's own send rate, the
// rate at which frames became available to capture, frames lost, and the
// time from a frame leaving the guest (its sentAtUs) to its being available.
//
// Usage: bench_display [seconds] [fps]     (defaults: 10 s, 30 fps)

#include "Frame.h"
#include "FrameStore.h"
#include "FrameStreamServer.h"

#include <guestproto/FrameStreamWriter.h>
#include <guestproto/GuestSocket.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint32_t kWidth = 1280;
constexpr std::uint32_t kHeight = 720;
constexpr double kTargetP99Ms = 33.0;

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto index = std::size_t(fraction * double(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

// Two guest screens, so that consecutive frames differ as a live screen's do.
std::vector<std::vector<std::uint8_t>> guestScreens()
{
    std::vector<std::vector<std::uint8_t>> screens(2);
    for (std::size_t s = 0; s < screens.size(); ++s) {
        auto &pixels = screens[s];
        pixels.resize(std::size_t(kWidth) * kHeight * 4);
        for (std::size_t i = 0; i < pixels.size(); i += 4) {
            const std::size_t x = (i / 4) % kWidth, y = (i / 4) / kWidth;
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

GuestResult streamFrames(std::uint16_t port, int frames, int fps)
{
    GuestResult result;
    const auto screens = guestScreens();
    guest::GuestSocket socket =
        guest::GuestSocket::connectTo("127.0.0.1", port, std::chrono::seconds(5));
    if (!socket.isOpen() || !socket.sendAll(guest::encodeFrameStreamHello()))
        return result;
    result.connected = true;
    const auto period = std::chrono::nanoseconds(1000000000LL / fps);
    const auto start = Clock::now();
    for (int i = 0; i < frames; ++i) {
        std::this_thread::sleep_until(start + i * period);
        const auto &pixels = screens[std::size_t(i) % screens.size()];
        guest::FrameInfo info{kWidth, kHeight, 0, 0};
        if (!guest::sendFrame(socket, info, pixels.data(), pixels.size()))
            break;
        ++result.sent;
    }
    result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    const double seconds = argc > 1 ? std::max(0.2, std::atof(argv[1])) : 10.0;
    const int fps = argc > 2 ? std::clamp(std::atoi(argv[2]), 1, 240) : 30;
    const int frames = std::max(2, int(seconds * fps));

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
        std::vector<std::uint8_t> buffer(std::size_t(kWidth) * kHeight * 4);
        const auto period = std::chrono::milliseconds(40);
        for (auto next = Clock::now(); recording; next += period) {
            std::this_thread::sleep_until(next);
            const auto frame = store.newest();
            const auto begin = Clock::now();
            if (frame && frame->copyTo(buffer.data(), int(kWidth), int(kHeight)))
                captureMs.push_back(
                    std::chrono::duration<double, std::milli>(Clock::now() - begin).count());
        }
    });

    const GuestResult guest = streamFrames(server.port(), frames, fps);
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

    std::lock_guard<std::mutex> lock(arrivals.mutex);
    const int received = int(arrivals.latencyMs.size());
    const double span = std::chrono::duration<double>(arrivals.last - arrivals.first).count();
    const double receivedFps = received > 1 && span > 0 ? (received - 1) / span : 0;
    const double sentFps = guest.seconds > 0 ? guest.sent / guest.seconds : 0;
    const double p50 = percentile(arrivals.latencyMs, 0.50);
    const double p99 = percentile(arrivals.latencyMs, 0.99);
    const double worst = percentile(arrivals.latencyMs, 1.0);

    std::printf("display stream: %ux%u RGBA8888 at %d fps for %.1f s, in-process stream server\n",
                kWidth, kHeight, fps, seconds);
    std::printf("guest sent:         %d frames in %.2f s = %.2f fps\n", guest.sent, guest.seconds,
                sentFps);
    std::printf("renderer received:  %d frames = %.2f fps, %d lost\n", received, receivedFps,
                guest.sent - received);
    std::printf("send to capture:    p50 %.2f ms, p99 %.2f ms, max %.2f ms\n", p50, p99, worst);
    std::printf("capture 1280x720:   p50 %.2f ms, p99 %.2f ms (%zu captures at 25 fps alongside)\n",
                percentile(captureMs, 0.50), percentile(captureMs, 0.99), captureMs.size());
    const bool met = received == guest.sent && receivedFps >= sentFps * 0.98 && p99 < kTargetP99Ms;
    std::printf("target (no frame-rate loss, p99 < %.0f ms): %s\n", kTargetP99Ms,
                met ? "met" : "NOT met");
    if (!guest.connected || received == 0) {
        std::fprintf(stderr, "bench_display: no frame reached the renderer\n");
        return 1;
    }
    return 0;
}
