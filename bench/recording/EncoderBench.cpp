// The video encoder against the ffmpeg command line, in one run: the same
// 1280 x 720 RGBA frames through videoAppendFrame, and piped into `ffmpeg`
// with the same codec, preset, quality and thread count. Both include the
// making of each frame; its cost alone is printed as well.
//
// Usage: bench_video_encoder [frames]     (default 250)

#include "BenchFrames.h"

#include <VideoEncoder.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string outputFolder()
{
    const char *folder = std::getenv("TMPDIR");
    return folder != nullptr ? folder : "/tmp";
}

double framesOnly(int frames)
{
    std::vector<std::uint8_t> rgba;
    const auto start = Clock::now();
    for (int i = 0; i < frames; ++i)
        fillBenchFrame(rgba, i);
    return secondsSince(start);
}

double library(int frames, const std::string &file)
{
    std::vector<std::uint8_t> rgba;
    const auto start = Clock::now();
    VideoRecording *handle = videoStart(file.c_str(), kBenchWidth, kBenchHeight, 25);
    if (handle == nullptr)
        return -1;
    for (int i = 0; i < frames; ++i) {
        fillBenchFrame(rgba, i);
        if (videoAppendFrame(handle, rgba.data()) < 0) {
            videoEnd(handle);
            return -1;
        }
    }
    return videoEnd(handle) == 0 ? secondsSince(start) : -1;
}

double commandLine(int frames, int threads, const std::string &file)
{
    const std::string command = "ffmpeg -v error -y -f rawvideo -pix_fmt rgba -s 1280x720 -r 25 -i - "
                                "-c:v libx264 -preset ultrafast -crf 23 -threads "
                                + std::to_string(threads)
                                + " -pix_fmt yuv420p -movflags +empty_moov+default_base_moof -frag_duration 500000 '"
                                + file + "'";
    std::vector<std::uint8_t> rgba;
    const auto start = Clock::now();
    FILE *pipe = popen(command.c_str(), "w");
    if (pipe == nullptr)
        return -1;
    for (int i = 0; i < frames; ++i) {
        fillBenchFrame(rgba, i);
        if (std::fwrite(rgba.data(), 1, rgba.size(), pipe) != rgba.size()) {
            pclose(pipe);
            return -1;
        }
    }
    return pclose(pipe) == 0 ? secondsSince(start) : -1;
}

} // namespace

int main(int argc, char **argv)
{
    const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 250;
    // The library's own choice of encoder threads.
    const int threads = int(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
    const std::string folder = outputFolder();

    const double making = framesOnly(frames);
    const double ours = library(frames, folder + "/bench-videoenc.mp4");
    const double theirs = commandLine(frames, threads, folder + "/bench-ffmpeg.mp4");
    if (ours <= 0 || theirs <= 0) {
        std::printf("encoder benchmark failed (library %.3f s, ffmpeg %.3f s)\n", ours, theirs);
        return 1;
    }
    std::printf("video encoder: %d frames of %d x %d, libx264 ultrafast crf 23, %d threads\n", frames, kBenchWidth,
                kBenchHeight, threads);
    std::printf("  making the frames alone   %7.1f fps\n", frames / making);
    std::printf("  videoAppendFrame          %7.1f fps  (%.2f s)\n", frames / ours, ours);
    std::printf("  ffmpeg command line       %7.1f fps  (%.2f s)  baseline\n", frames / theirs, theirs);
    std::printf("  ratio library / ffmpeg    %7.2f      target >= 1.00\n", theirs / ours);
    return 0;
}
