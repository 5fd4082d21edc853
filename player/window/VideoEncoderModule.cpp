#include "window/VideoEncoderModule.h"

#include "window/FeatureModule.h"

#include <QDebug>
#include <QLibrary>

#include <mutex>

namespace {

std::mutex g_loadLock;
VideoEncoderCalls g_calls; // complete once start is set; never unloaded

template <typename Call> bool resolve(QLibrary &library, const char *name, Call &call)
{
    call = reinterpret_cast<Call>(library.resolve(name));
    return call != nullptr;
}

bool load()
{
    const QString file = FeatureModule::locate(QStringLiteral("videoenc"));
    if (file.isEmpty()) {
        qDebug() << "video encoder module not found";
        return false;
    }
    // Every symbol bound at load: a library built against another FFmpeg
    // fails here, not in the middle of a recording.
    QLibrary library(file);
    library.setLoadHints(QLibrary::ResolveAllSymbolsHint);
    VideoEncoderCalls calls;
    if (!library.load() || !resolve(library, "videoStart", calls.start)
        || !resolve(library, "videoAppendFrame", calls.appendFrame) || !resolve(library, "videoEnd", calls.end)) {
        qDebug() << "video encoder module not loaded:" << library.errorString();
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
