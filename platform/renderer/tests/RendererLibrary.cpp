#include "RendererLibrary.h"

#include <dlfcn.h>

namespace {

template <typename Fn> void resolve(RendererLibrary &library, Fn &entry, const char *name)
{
    entry = reinterpret_cast<Fn>(dlsym(library.handle, name));
    if (!entry && library.error.empty())
        library.error = std::string("missing entry point ") + name;
}

RendererLibrary load()
{
    RendererLibrary library;
    library.handle = dlopen(OPENGLRENDER_LIBRARY_NAME, RTLD_NOW | RTLD_LOCAL);
    if (!library.handle) {
        const char *why = dlerror();
        library.error = why ? why : "dlopen failed";
        return library;
    }
    resolve(library, library.initLibrary, "initLibrary");
    resolve(library, library.initOpenGLRenderer, "initOpenGLRenderer");
    resolve(library, library.setRotationCallback, "setRotationCallback");
    resolve(library, library.createOpenGLSubwindow, "createOpenGLSubwindow");
    resolve(library, library.setOpenGLViewport, "setOpenGLViewport");
    resolve(library, library.setOpenGLDisplayRotation, "setOpenGLDisplayRotation");
    resolve(library, library.repaintOpenGLDisplay, "repaintOpenGLDisplay");
    resolve(library, library.setStreamMode, "setStreamMode");
    resolve(library, library.screenCapture, "screenCapture");
    resolve(library, library.getGraphicsCard, "getGraphicsCard");
    return library;
}

} // namespace

const RendererLibrary &RendererLibrary::get()
{
    static const RendererLibrary library = load();
    return library;
}

std::string rendererAddress()
{
    const RendererLibrary &library = RendererLibrary::get();
    if (!library.loaded() || !library.initLibrary())
        return {};
    char buffer[1024] = {};
    if (!library.initOpenGLRenderer(1280, 720, buffer, sizeof buffer))
        return {};
    return buffer;
}

std::vector<std::uint8_t> captureFrame(int width, int height)
{
    std::vector<std::uint8_t> pixels(std::size_t(width) * std::size_t(height) * 4);
    if (RendererLibrary::get().screenCapture(pixels.data(), width, height) != 0)
        return {};
    return pixels;
}
