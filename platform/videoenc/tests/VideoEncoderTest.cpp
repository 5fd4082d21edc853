// The encoder through its C entry points and through the writer with chosen
// frame times, checked on the files with ffprobe and ffmpeg.

#include "FileSizeLimit.h"
#include "VideoEncoder.h"
#include "VideoProbe.h"

#include "Mp4Writer.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::string tempFile(const std::string &name)
{
    const char *folder = std::getenv("TMPDIR");
    return std::string(folder != nullptr ? folder : "/tmp") + "/" + name;
}

bool exists(const std::string &path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

// Left half red, right half blue, with a moving white bar so that frames
// differ; rows of width * 4 bytes.
std::vector<std::uint8_t> testFrame(int width, int height, int index)
{
    std::vector<std::uint8_t> rgba(size_t(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t *p = &rgba[(size_t(y) * width + x) * 4];
            const bool bar = x == (index * 3) % width;
            const bool left = x < width / 2;
            p[0] = bar || left ? 255 : 0;
            p[1] = bar ? 255 : 0;
            p[2] = bar || !left ? 255 : 0;
            p[3] = 255;
        }
    }
    return rgba;
}

} // namespace

struct SizeCase
{
    int width;
    int height;
    int frames;
    int encodedWidth;
    int encodedHeight;
};

class EncoderSizes : public testing::TestWithParam<SizeCase>
{
};

// Every appended frame is in the file (counted by decoding), at the
// even-rounded size, as H.264 yuv420p with the index first; the colours
// come out in the right channels.
TEST_P(EncoderSizes, everyFrameIsInAPlayableFile)
{
    const SizeCase c = GetParam();
    const std::string path = tempFile("sizes-" + std::to_string(c.width) + "x" + std::to_string(c.height) + ".mp4");
    VideoRecording *handle = videoStart(path.c_str(), c.width, c.height, 25);
    ASSERT_NE(handle, nullptr);
    for (int i = 0; i < c.frames; ++i)
        ASSERT_EQ(videoAppendFrame(handle, testFrame(c.width, c.height, i).data()), 0);
    ASSERT_EQ(videoEnd(handle), 0);

    const VideoProbe probe = VideoProbe::of(path);
    ASSERT_TRUE(probe.readable) << path;
    EXPECT_EQ(probe.codec, "h264");
    EXPECT_EQ(probe.pixelFormat, "yuv420p");
    EXPECT_EQ(probe.width, c.encodedWidth);
    EXPECT_EQ(probe.height, c.encodedHeight);
    EXPECT_EQ(probe.frames, c.frames);
    EXPECT_EQ(int(probe.frameTimes.size()), c.frames);
    EXPECT_TRUE(probe.indexFirst);

    const std::vector<std::uint8_t> rgb = decodedFrame(path, c.frames - 1);
    ASSERT_EQ(rgb.size(), size_t(c.encodedWidth) * c.encodedHeight * 3);
    const size_t row = size_t(c.encodedHeight / 2) * c.encodedWidth;
    const std::uint8_t *left = &rgb[(row + c.encodedWidth / 8) * 3];
    const std::uint8_t *right = &rgb[(row + c.encodedWidth * 7 / 8) * 3];
    EXPECT_GT(left[0], 200);
    EXPECT_LT(left[2], 60);
    EXPECT_LT(right[0], 60);
    EXPECT_GT(right[2], 200);
}

INSTANTIATE_TEST_SUITE_P(Sizes, EncoderSizes,
                         testing::Values(SizeCase{1279, 719, 3, 1278, 718}, SizeCase{64, 48, 40, 64, 48},
                                         SizeCase{33, 17, 1, 32, 16}));

struct TimingCase
{
    const char *preset;
    std::vector<std::int64_t> framesMs;
    std::int64_t endMs;
};

class EncoderTiming : public testing::TestWithParam<TimingCase>
{
};

// Frames keep the times they were taken at, gaps and bursts included, and
// the last one lasts until the end: the video plays at real speed whatever
// the rate. With a preset that reorders frames as well.
TEST_P(EncoderTiming, framesKeepTheirTimes)
{
    const TimingCase c = GetParam();
    const std::string path = tempFile(std::string("timing-") + c.preset + ".mp4");
    Mp4Writer::Settings settings;
    settings.preset = c.preset;
    Mp4Writer writer;
    ASSERT_TRUE(writer.open(path, 96, 64, 25, settings));
    const std::int64_t origin = 5'000'000'000; // any monotonic reading
    for (size_t i = 0; i < c.framesMs.size(); ++i)
        ASSERT_TRUE(writer.append(testFrame(96, 64, int(i)).data(), origin + c.framesMs[i] * 1000));
    ASSERT_TRUE(writer.finish(origin + c.endMs * 1000));

    const VideoProbe probe = VideoProbe::of(path);
    ASSERT_EQ(probe.frames, int(c.framesMs.size()));
    ASSERT_EQ(probe.frameTimes.size(), c.framesMs.size());
    const double first = probe.frameTimes.front();
    for (size_t i = 0; i < c.framesMs.size(); ++i)
        EXPECT_NEAR(probe.frameTimes[i] - first, (c.framesMs[i] - c.framesMs.front()) / 1000.0, 0.0015) << i;
    EXPECT_NEAR(probe.duration, (c.endMs - c.framesMs.front()) / 1000.0, 0.0015);
}

INSTANTIATE_TEST_SUITE_P(
    Timing, EncoderTiming,
    testing::Values(TimingCase{"ultrafast", {0, 40, 80, 600, 610, 650, 1900}, 2000},
                    TimingCase{"veryfast", {0, 40, 80, 120, 160, 500, 540, 580, 620, 660, 700, 1500}, 1540},
                    // Equal stamps still give increasing times.
                    TimingCase{"ultrafast", {0, 0, 0, 40}, 80},
                    // A single frame stopped at once.
                    TimingCase{"ultrafast", {0}, 3}));

struct RefusalCase
{
    const char *name;
    std::string path;
    int width;
    int height;
    int rate;
};

// An encoder that cannot start gives no handle and leaves no file.
TEST(VideoEncoder, refusedStartsLeaveNoFile)
{
    const std::string folder = tempFile("refusals");
    ::mkdir(folder.c_str(), 0700);
    const RefusalCase cases[] = {
        {"missing folder", folder + "/missing/a.mp4", 64, 48, 25},
        {"too narrow", folder + "/narrow.mp4", 1, 48, 25},
        {"no height", folder + "/flat.mp4", 64, 0, 25},
        {"no rate", folder + "/still.mp4", 64, 48, 0},
    };
    for (const RefusalCase &c : cases) {
        EXPECT_EQ(videoStart(c.path.c_str(), c.width, c.height, c.rate), nullptr) << c.name;
        EXPECT_FALSE(exists(c.path)) << c.name;
    }
    EXPECT_EQ(videoStart(nullptr, 64, 48, 25), nullptr);
    EXPECT_LT(videoAppendFrame(nullptr, testFrame(2, 2, 0).data()), 0);
    EXPECT_LT(videoEnd(nullptr), 0);
}

// A recording that ends without a frame removes the file it created, but
// never a file that was there before it.
TEST(VideoEncoder, endWithoutFramesRemovesOnlyItsOwnFile)
{
    const std::string path = tempFile("empty.mp4");
    VideoRecording *handle = videoStart(path.c_str(), 64, 48, 25);
    ASSERT_NE(handle, nullptr);
    EXPECT_TRUE(exists(path));
    EXPECT_LT(videoAppendFrame(handle, nullptr), 0);
    EXPECT_LT(videoEnd(handle), 0);
    EXPECT_FALSE(exists(path));

    std::ofstream(path) << "kept";
    handle = videoStart(path.c_str(), 64, 48, 25);
    ASSERT_NE(handle, nullptr);
    EXPECT_LT(videoEnd(handle), 0);
    EXPECT_TRUE(exists(path));
}

// A full disk is a failure: at the start when the header cannot be written,
// else when the buffered writes reach it, at the latest at the end. A file
// that was there before is never removed.
TEST(VideoEncoder, fullDiskIsReportedAsAFailure)
{
    EXPECT_EQ(videoStart("/dev/full", 320, 240, 25), nullptr);
    EXPECT_TRUE(exists("/dev/full"));

    const std::string path = tempFile("full.mp4");
    std::vector<std::uint8_t> noise(320 * 240 * 4);
    std::uint32_t seed = 1;
    bool appendFailed = false;
    bool finished = true;
    {
        FileSizeLimit limit(48 * 1024);
        Mp4Writer writer;
        ASSERT_TRUE(writer.open(path, 320, 240, 25, Mp4Writer::Settings()));
        // Two seconds of frames, a second's worth of them more than fits.
        for (int i = 0; i < 50 && !appendFailed; ++i) {
            for (std::uint8_t &byte : noise)
                byte = std::uint8_t((seed = seed * 1664525u + 1013904223u) >> 24);
            appendFailed = !writer.append(noise.data(), std::int64_t(i) * 40000);
        }
        finished = writer.finish(2'000'000);
    }
    EXPECT_TRUE(appendFailed);
    EXPECT_FALSE(finished);
}

// A recorder killed mid-way (a crash, a power loss) leaves a file that
// plays up to the last part written: here three seconds of frames, of which
// at least the first two are whole parts of the file.
TEST(VideoEncoder, aKilledRecordingPlaysUpToItsLastWrittenPart)
{
    const std::string path = tempFile("killed.mp4");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        Mp4Writer writer;
        if (writer.open(path, 96, 64, 25, Mp4Writer::Settings())) {
            for (int i = 0; i < 75; ++i)
                writer.append(testFrame(96, 64, i).data(), std::int64_t(i) * 40000);
        }
        raise(SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));

    const VideoProbe probe = VideoProbe::of(path);
    ASSERT_TRUE(probe.readable) << path;
    EXPECT_TRUE(probe.indexFirst);
    EXPECT_GE(probe.frames, 50);
    EXPECT_LT(probe.frames, 75);
    ASSERT_EQ(int(probe.frameTimes.size()), probe.frames);
    for (size_t i = 0; i < probe.frameTimes.size(); ++i)
        EXPECT_NEAR(probe.frameTimes[i] - probe.frameTimes.front(), i * 0.04, 0.0015) << i;
}
