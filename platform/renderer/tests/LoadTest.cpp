// Built into the install folder with RPATH $ORIGIN only, as the player is:
// the library must load by its bare name from there. The tests here also need
// a library that has not seen a frame yet.

#include "Eventually.h"
#include "FrameSender.h"
#include "RendererLibrary.h"
#include "TestImages.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace {

const RendererLibrary &library()
{
    return RendererLibrary::get();
}

std::set<std::string> exportedFunctions(const std::string &path)
{
    std::set<std::string> names;
    FILE *nm = popen(("nm -D --defined-only '" + path + "'").c_str(), "r");
    if (!nm)
        return names;
    char line[512];
    while (std::fgets(line, sizeof line, nm)) {
        char type = 0;
        char name[400] = {};
        if (std::sscanf(line, "%*s %c %399s", &type, name) == 2 && (type == 'T' || type == 'W'))
            names.insert(name);
    }
    pclose(nm);
    return names;
}

std::string loadedPath()
{
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void *>(library().initLibrary), &info) || !info.dli_fname)
        return {};
    return info.dli_fname;
}

} // namespace

TEST(RendererLoad, LoadsByBareNameFromTheInstallFolder)
{
    ASSERT_TRUE(library().loaded()) << library().error;
    const char *binDir = std::getenv("TAVENOR_BIN_DIR");
    ASSERT_NE(binDir, nullptr) << "TAVENOR_BIN_DIR is not set";
    const auto loaded = std::filesystem::canonical(loadedPath());
    EXPECT_EQ(loaded.parent_path(), std::filesystem::canonical(binDir));
    EXPECT_EQ(loaded.filename(), "libOpenglRender.so");
    EXPECT_EQ(std::getenv("LD_LIBRARY_PATH"), nullptr)
        << "the library must be found without LD_LIBRARY_PATH";
}

TEST(RendererLoad, ExportsExactlyTheTenEntryPoints)
{
    ASSERT_TRUE(library().loaded()) << library().error;
    const std::set<std::string> expected = {"initLibrary",          "initOpenGLRenderer",
                                            "setRotationCallback",  "createOpenGLSubwindow",
                                            "setOpenGLViewport",    "setOpenGLDisplayRotation",
                                            "repaintOpenGLDisplay", "setStreamMode",
                                            "screenCapture",        "getGraphicsCard"};
    EXPECT_EQ(exportedFunctions(loadedPath()), expected);
}

TEST(RendererLoad, InitLibrarySucceeds)
{
    ASSERT_TRUE(library().loaded()) << library().error;
    EXPECT_NE(library().initLibrary(), 0);
    library().setStreamMode(3);
}

TEST(RendererLoad, GraphicsCardNameFitsTheBuffer)
{
    ASSERT_TRUE(library().loaded()) << library().error;
    char full[256];
    std::memset(full, 'x', sizeof full);
    const int length = library().getGraphicsCard(full, sizeof full);
    ASSERT_GT(length, 0);
    ASSERT_EQ(std::strlen(full), size_t(length));

    struct Case
    {
        int size;
        int expected;
    };
    const Case cases[] = {
        {length + 1, length}, {length, length - 1}, {2, 1}, {1, 0}, {0, 0}, {-5, 0}};
    for (const Case &c : cases) {
        char buffer[300];
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(library().getGraphicsCard(buffer, c.size), c.expected) << "size " << c.size;
        if (c.expected > 0) {
            EXPECT_EQ(buffer[c.expected], '\0') << "size " << c.size;
            EXPECT_EQ(std::string(buffer), std::string(full, size_t(c.expected)));
        }
        EXPECT_EQ(buffer[std::max(c.size, 0)], 'x') << "wrote past size " << c.size;
    }
    EXPECT_EQ(library().getGraphicsCard(nullptr, 256), 0);
}

TEST(RendererLoad, CaptureFailsUntilTheFirstFrame)
{
    ASSERT_TRUE(library().loaded()) << library().error;
    std::vector<std::uint8_t> buffer(32 * 32 * 4);
    EXPECT_NE(library().screenCapture(buffer.data(), 32, 32), 0);
}

struct FirstRotation
{
    std::mutex mutex;
    std::vector<float> seen;

    static void record(void *context, float zRot)
    {
        auto *self = static_cast<FirstRotation *>(context);
        std::lock_guard<std::mutex> lock(self->mutex);
        self->seen.push_back(zRot);
    }
};

TEST(RendererLoad, TheFirstFramesRotationIsReportedWhenTurned)
{
    ASSERT_TRUE(library().loaded()) << library().error;
    FirstRotation rotations;
    library().setRotationCallback(&FirstRotation::record, &rotations);
    FrameSender sender;
    ASSERT_TRUE(sender.connectTo(rendererAddress()) && sender.sendHello());
    ASSERT_TRUE(sender.sendFrame(FrameHeader::forImage(4, 4, 270), solidPixels(4, 4, kBlue)));
    EXPECT_TRUE(eventually([] { return captureFrame(4, 4) == solidPixels(4, 4, kBlue); }));
    library().setRotationCallback(nullptr, nullptr);
    std::lock_guard<std::mutex> lock(rotations.mutex);
    EXPECT_EQ(rotations.seen, std::vector<float>{270});
}
