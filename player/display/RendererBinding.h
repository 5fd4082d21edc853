#pragma once

// The GL renderer library, loaded by name at run time and never linked. One
// wrapper per entry point, under the entry point's name in the namespace
// glrender; each forwards its arguments unchanged. Until the library is
// loaded (or when it or one entry point is missing) a wrapper does nothing and
// gives a failure result: 0 for initLibrary, initOpenGLRenderer and
// getGraphicsCard, -1 for screenCapture.
//
// Where the library comes from: the file OPENGLRENDER_LIBRARY_NAME in the
// program's own folder if it is there, else the same bare name through the
// system's library search (the program's RPATH is its own folder). The
// environment variable TAVENOR_RENDERER_LIBRARY, read once at the first load,
// names another file (a path) to load instead.
//
// Threads: loadRenderer, startRenderer and the window entry points belong on
// the GUI thread; screenCapture and graphicsCardName may be called from any
// thread at any time, also while the GUI thread loads.

#include "display/OpenGL.h"

#include <OpenglRender.h>

#include <QString>

namespace glrender {

inline constexpr char kLibraryOverrideVariable[] = "TAVENOR_RENDERER_LIBRARY";

int initLibrary();
int initOpenGLRenderer(int width, int height, char *addressBuffer, int bufferSize);
void setRotationCallback(RotationCallback callback, void *context);
void createOpenGLSubwindow(RendererWindowId owner, RendererWindowId displayWindow, int x, int y,
                           int width, int height, float zRot);
void setOpenGLViewport(int x, int y, int width, int height);
void setOpenGLDisplayRotation(float zRot);
void repaintOpenGLDisplay();
void setStreamMode(int mode);
int screenCapture(void *buffer, int width, int height);
int getGraphicsCard(char *buffer, int bufferSize);

// Loads the library and resolves its entry points on the first call, then
// gives initLibrary()'s result; later calls give the first call's result.
// A library that cannot be loaded is logged as "fail to load
// libOpenglRender.dll" followed by the loader's error.
bool loadRenderer();

// The start sequence: load, stream mode 3, initOpenGLRenderer (which leaves
// the display stream's address, NUL-terminated, in addressBuffer), the
// sub-window at (0, 0) with the display's size, then the guest resolution
// and the display size for the virtual input service. False when the library
// cannot be loaded or initialised.
bool startRenderer(int width, int height, char *addressBuffer, int bufferSize, OpenGL *window);

// The host graphics adapter's name as the renderer reports it; empty when it
// reports nothing or is not loaded.
QString graphicsCardName();

} // namespace glrender
