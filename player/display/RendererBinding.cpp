#include "display/RendererBinding.h"

#include "display/RuntimeLibrary.h"

#include <service/vinput.h>

#include <QDebug>

#include <atomic>
#include <mutex>

namespace glrender {

namespace {

// Filled once by the GUI thread and never cleared. Every entry is an atomic
// so that the recorder's thread may call screenCapture while the GUI thread
// is still loading: it sees either no entry (a failure result) or a complete
// one.
struct EntryPoints
{
    std::atomic<InitLibraryFn> initLibrary{nullptr};
    std::atomic<InitOpenGLRendererFn> initOpenGLRenderer{nullptr};
    std::atomic<SetRotationCallbackFn> setRotationCallback{nullptr};
    std::atomic<CreateOpenGLSubwindowFn> createOpenGLSubwindow{nullptr};
    std::atomic<SetOpenGLViewportFn> setOpenGLViewport{nullptr};
    std::atomic<SetOpenGLDisplayRotationFn> setOpenGLDisplayRotation{nullptr};
    std::atomic<RepaintOpenGLDisplayFn> repaintOpenGLDisplay{nullptr};
    std::atomic<SetStreamModeFn> setStreamMode{nullptr};
    std::atomic<ScreenCaptureFn> screenCapture{nullptr};
    std::atomic<GetGraphicsCardFn> getGraphicsCard{nullptr};
};

EntryPoints g_entries;
std::once_flag g_loadOnce;
std::atomic<bool> g_initialised{false};

template <typename Fn> void resolve(RuntimeLibrary &library, const char *name, std::atomic<Fn> &entry)
{
    entry.store(library.resolve<Fn>(name), std::memory_order_release);
}

template <typename Fn> Fn entry(const std::atomic<Fn> &slot)
{
    return slot.load(std::memory_order_acquire);
}

void load()
{
    RuntimeLibrary library(QStringLiteral(OPENGLRENDER_LIBRARY_NAME), kLibraryOverrideVariable);
    if (!library.load()) {
        qDebug() << "fail to load libOpenglRender.dll" << qUtf8Printable(library.errorString());
        return;
    }
    resolve(library, "initLibrary", g_entries.initLibrary);
    resolve(library, "initOpenGLRenderer", g_entries.initOpenGLRenderer);
    resolve(library, "setRotationCallback", g_entries.setRotationCallback);
    resolve(library, "createOpenGLSubwindow", g_entries.createOpenGLSubwindow);
    resolve(library, "setOpenGLViewport", g_entries.setOpenGLViewport);
    resolve(library, "setOpenGLDisplayRotation", g_entries.setOpenGLDisplayRotation);
    resolve(library, "repaintOpenGLDisplay", g_entries.repaintOpenGLDisplay);
    resolve(library, "setStreamMode", g_entries.setStreamMode);
    resolve(library, "screenCapture", g_entries.screenCapture);
    resolve(library, "getGraphicsCard", g_entries.getGraphicsCard);
    g_initialised.store(initLibrary() != 0);
}

} // namespace

int initLibrary()
{
    const InitLibraryFn call = entry(g_entries.initLibrary);
    return call != nullptr ? call() : 0;
}

int initOpenGLRenderer(int width, int height, char *addressBuffer, int bufferSize)
{
    const InitOpenGLRendererFn call = entry(g_entries.initOpenGLRenderer);
    return call != nullptr ? call(width, height, addressBuffer, bufferSize) : 0;
}

void setRotationCallback(RotationCallback callback, void *context)
{
    if (const SetRotationCallbackFn call = entry(g_entries.setRotationCallback))
        call(callback, context);
}

void createOpenGLSubwindow(RendererWindowId owner, RendererWindowId displayWindow, int x, int y,
                           int width, int height, float zRot)
{
    if (const CreateOpenGLSubwindowFn call = entry(g_entries.createOpenGLSubwindow))
        call(owner, displayWindow, x, y, width, height, zRot);
}

void setOpenGLViewport(int x, int y, int width, int height)
{
    if (const SetOpenGLViewportFn call = entry(g_entries.setOpenGLViewport))
        call(x, y, width, height);
}

void setOpenGLDisplayRotation(float zRot)
{
    if (const SetOpenGLDisplayRotationFn call = entry(g_entries.setOpenGLDisplayRotation))
        call(zRot);
}

void repaintOpenGLDisplay()
{
    if (const RepaintOpenGLDisplayFn call = entry(g_entries.repaintOpenGLDisplay))
        call();
}

void setStreamMode(int mode)
{
    if (const SetStreamModeFn call = entry(g_entries.setStreamMode))
        call(mode);
}

int screenCapture(void *buffer, int width, int height)
{
    const ScreenCaptureFn call = entry(g_entries.screenCapture);
    return call != nullptr ? call(buffer, width, height) : -1;
}

int getGraphicsCard(char *buffer, int bufferSize)
{
    const GetGraphicsCardFn call = entry(g_entries.getGraphicsCard);
    return call != nullptr ? call(buffer, bufferSize) : 0;
}

bool loadRenderer()
{
    std::call_once(g_loadOnce, load);
    return g_initialised.load();
}

bool startRenderer(int width, int height, char *addressBuffer, int bufferSize, OpenGL *window)
{
    if (window == nullptr || !loadRenderer())
        return false;
    setStreamMode(3);
    if (initOpenGLRenderer(width, height, addressBuffer, bufferSize) == 0)
        return false;
    createOpenGLSubwindow(window->ownerWindow(), window->displayWinId(), 0, 0,
                          window->displayWidth(), window->displayHeight(), 0.0f);
    vinput_set_resolution(width, height);
    vinput_set_window_size(window->displayWidth(), window->displayHeight());
    return true;
}

QString graphicsCardName()
{
    char buffer[256] = {};
    if (getGraphicsCard(buffer, sizeof buffer) <= 0)
        return QString();
    // A renderer that fills the whole buffer still ends the text here.
    buffer[sizeof buffer - 1] = '\0';
    return QString::fromLatin1(buffer);
}

} // namespace glrender
