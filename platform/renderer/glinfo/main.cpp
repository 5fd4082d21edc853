// tavenor-glinfo: prints the host's OpenGL renderer name and ends. The
// renderer asks it rather than making a context itself: an OpenGL driver,
// once loaded, stays mapped for the rest of the process (tens of MB for a
// name).

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>

#include <cstdio>

int main(int argc, char **argv)
{
    // "none" inherited from a player is its choice for itself; this program
    // is there to ask OpenGL.
    if (qgetenv("QT_XCB_GL_INTEGRATION") == "none")
        qunsetenv("QT_XCB_GL_INTEGRATION");
    QGuiApplication app(argc, argv);
    QOpenGLContext context;
    if (!context.create())
        return 1;
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!surface.isValid() || !context.makeCurrent(&surface))
        return 1;
    const auto *name = reinterpret_cast<const char *>(context.functions()->glGetString(GL_RENDERER));
    if (name == nullptr)
        return 1;
    std::printf("%s\n", name);
    context.doneCurrent();
    return 0;
}
