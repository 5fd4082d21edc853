// The library's exported entry points: argument checks, then the renderer.

#include "OpenglRender.h"

#include "GraphicsCard.h"
#include "Renderer.h"

#include <QCoreApplication>
#include <QDebug>
#include <QGuiApplication>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

using renderer::Renderer;

namespace {

bool g_cleanupRegistered = false; // GUI thread only

// Runs while the GUI application is being destroyed, before the windowing
// system goes away.
void releaseDisplayWindows()
{
    Renderer::instance().display().releaseWindows();
    g_cleanupRegistered = false;
}

// Windows belong to the GUI thread: a call from elsewhere is queued to it.
void onGuiThread(std::function<void()> work)
{
    if (!qGuiApp) {
        qDebug() << "renderer: no GUI application for the display";
        return;
    }
    if (QThread::currentThread() == qGuiApp->thread()) {
        work();
        return;
    }
    QMetaObject::invokeMethod(qGuiApp, std::move(work), Qt::QueuedConnection);
}

} // namespace

extern "C" {

int initLibrary(void)
{
    return 1;
}

int initOpenGLRenderer(int width, int height, char *addressBuffer, int bufferSize)
{
    if (width <= 0 || height <= 0 || !addressBuffer || bufferSize <= 0)
        return 0;
    const std::uint16_t port = Renderer::instance().startServer();
    if (port == 0)
        return 0;
    // The player asks for the card's name once the guest is shown, on its
    // GUI thread: the helper has the guest's boot to answer in.
    renderer::startGraphicsCardLookup();
    char address[32];
    const int length = std::snprintf(address, sizeof address, "127.0.0.1:%u", unsigned(port));
    if (length < 0 || length >= bufferSize)
        return 0;
    std::memcpy(addressBuffer, address, size_t(length) + 1);
    return 1;
}

void setRotationCallback(RotationCallback callback, void *context)
{
    Renderer::instance().setRotationCallback(callback, context);
}

void createOpenGLSubwindow(RendererWindowId, RendererWindowId displayWindow, int x, int y,
                           int width, int height, float zRot)
{
    onGuiThread([=] {
        if (!g_cleanupRegistered) {
            qAddPostRoutine(releaseDisplayWindows);
            g_cleanupRegistered = true;
        }
        Renderer::instance().display().create(WId(displayWindow), QRect(x, y, width, height), zRot);
    });
}

void setOpenGLViewport(int x, int y, int width, int height)
{
    onGuiThread([=] { Renderer::instance().display().setViewport(QRect(x, y, width, height)); });
}

void setOpenGLDisplayRotation(float zRot)
{
    onGuiThread([=] { Renderer::instance().display().setRotation(zRot); });
}

void repaintOpenGLDisplay(void)
{
    onGuiThread([] { Renderer::instance().display().repaint(); });
}

void setStreamMode(int mode)
{
    Renderer::instance().setStreamMode(mode);
}

int screenCapture(void *buffer, int width, int height)
{
    if (!buffer || width <= 0 || height <= 0)
        return -1;
    const std::shared_ptr<const renderer::Frame> frame = Renderer::instance().frames().newest();
    if (!frame)
        return 1;
    return frame->copyTo(static_cast<std::uint8_t *>(buffer), width, height) ? 0 : 2;
}

int getGraphicsCard(char *buffer, int bufferSize)
{
    if (!buffer || bufferSize < 2)
        return 0;
    const std::string name = renderer::graphicsCardName();
    const size_t length = std::min(name.size(), size_t(bufferSize) - 1);
    std::memcpy(buffer, name.data(), length);
    buffer[length] = '\0';
    return int(length);
}

} // extern "C"
