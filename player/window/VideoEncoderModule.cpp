#include "window/VideoEncoderModule.h"

#include "display/RuntimeLibrary.h"

#include <QDebug>

#include <mutex>

namespace {

// A path that replaces the library beside the program (tests).
constexpr char kLibraryOverrideVariable[] = "TAVENOR_VIDEOENC_LIBRARY";

std::mutex g_loadLock;
VideoEncoderCalls g_calls; // complete once start is set; never unloaded

bool load()
{
    RuntimeLibrary library(QStringLiteral(VIDEOENC_LIBRARY_NAME), kLibraryOverrideVariable);
    if (!library.load()) {
        qDebug() << "video encoder module not loaded:" << library.errorString();
        return false;
    }
    VideoEncoderCalls calls;
    calls.start = library.resolve<decltype(calls.start)>("videoStart");
    calls.appendFrame = library.resolve<decltype(calls.appendFrame)>("videoAppendFrame");
    calls.end = library.resolve<decltype(calls.end)>("videoEnd");
    if (calls.start == nullptr || calls.appendFrame == nullptr || calls.end == nullptr) {
        qDebug() << "video encoder module not loaded: an entry point is missing";
        return false;
    }
    g_calls = calls;
    return true;
}

} // namespace

const VideoEncoderCalls *VideoEncoderModule::calls()
{
    std::lock_guard<std::mutex> lock(g_loadLock);
    if (g_calls.start == nullptr && !load())
        return nullptr;
    return &g_calls;
}
