#pragma once

/*
 * The GL renderer library's entry points, as the player resolves them by name
 * after loading the library at run time (it never links it).
 *
 * Window handles are native window ids held in an unsigned integer as wide as
 * a pointer: an X11 window id (Qt's WId) on Linux, an HWND on Windows.
 *
 * Threads: the window entry points (createOpenGLSubwindow, setOpenGLViewport,
 * setOpenGLDisplayRotation, repaintOpenGLDisplay) belong on the thread of the
 * caller's QGuiApplication; called from another thread they are forwarded to
 * it. screenCapture may be called from any number of threads at once. The
 * rotation callback is called on the renderer's stream thread, just before the
 * frame that carries the new rotation becomes the newest frame.
 */

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if !defined(OPENGLRENDER_BUILDING)
#define OPENGLRENDER_API
#elif defined(_WIN32)
#define OPENGLRENDER_API __declspec(dllexport)
#else
#define OPENGLRENDER_API __attribute__((visibility("default")))
#endif

/* The file the player loads by bare name. */
#if defined(_WIN32)
#define OPENGLRENDER_LIBRARY_NAME "libOpenglRender.dll"
#else
#define OPENGLRENDER_LIBRARY_NAME "libOpenglRender.so"
#endif

typedef uintptr_t RendererWindowId;

/* Called with the guest display's rotation in degrees (0, 90, 180 or 270). */
typedef void (*RotationCallback)(void *context, float zRot);

/* Prepares the library; nonzero on success. */
OPENGLRENDER_API int initLibrary(void);

/*
 * Starts the display-stream server on 127.0.0.1 and a free port and writes
 * "127.0.0.1:PORT" with its NUL into addressBuffer. width and height are the
 * guest's frame size; the renderer takes whatever size the frames carry.
 * Nonzero on success; 0 for a non-positive size, a null
 * buffer, a buffer too small for the address, or a server that cannot start.
 * A second call reports the running server's address again.
 */
OPENGLRENDER_API int initOpenGLRenderer(int width, int height, char *addressBuffer, int bufferSize);

/* Replaces the rotation callback; a null callback stops the reports. */
OPENGLRENDER_API void setRotationCallback(RotationCallback callback, void *context);

/*
 * Creates the display sub-window as a native child of displayWindow, covering
 * (x, y, width, height) in the display window's coordinates. The sub-window
 * lets mouse and keyboard input through to the display window. owner is
 * accepted for the Windows build and not needed on X11. A second call moves
 * the existing sub-window.
 */
OPENGLRENDER_API void createOpenGLSubwindow(RendererWindowId owner, RendererWindowId displayWindow,
                                            int x, int y, int width, int height, float zRot);

/*
 * Sets the rectangle of the display window that shows the guest: the
 * sub-window is moved to it and the frame is scaled to fill it. Before the
 * sub-window exists it has no effect.
 */
OPENGLRENDER_API void setOpenGLViewport(int x, int y, int width, int height);

/*
 * Turns the drawn frame clockwise by zRot degrees, rounded to the nearest
 * quarter turn; a quarter turn swaps the frame's sides before it is scaled.
 */
OPENGLRENDER_API void setOpenGLDisplayRotation(float zRot);

/*
 * Shows the newest frame in the sub-window (black before the first). A frame
 * is drawn once; while nothing changed since, the call costs nothing.
 */
OPENGLRENDER_API void repaintOpenGLDisplay(void);

/* Remembers the stream mode the player asks for; frames are drawn alike in every mode. */
OPENGLRENDER_API void setStreamMode(int mode);

/*
 * Copies the newest frame as the guest sent it (not turned) into buffer as
 * RGBA8888, height rows of width * 4 bytes, scaled when its size differs.
 * Alpha is 255: the capture is opaque, as the display shows the guest.
 * 0 on success; nonzero while no frame has arrived or for a null buffer or a
 * non-positive size.
 */
OPENGLRENDER_API int screenCapture(void *buffer, int width, int height);

/*
 * Writes the host's OpenGL renderer name (or, without OpenGL, its graphics
 * adapter's name, or "unknown") into buffer, cut to fit and NUL-terminated.
 * Returns the number of characters written before the NUL (> 0), or 0 for a
 * null buffer or a size below 2. The OpenGL name comes from the helper
 * program tavenor-glinfo beside the library, asked once (the first call
 * waits for it); the library itself never loads an OpenGL driver.
 */
OPENGLRENDER_API int getGraphicsCard(char *buffer, int bufferSize);

typedef int (*InitLibraryFn)(void);
typedef int (*InitOpenGLRendererFn)(int width, int height, char *addressBuffer, int bufferSize);
typedef void (*SetRotationCallbackFn)(RotationCallback callback, void *context);
typedef void (*CreateOpenGLSubwindowFn)(RendererWindowId owner, RendererWindowId displayWindow,
                                        int x, int y, int width, int height, float zRot);
typedef void (*SetOpenGLViewportFn)(int x, int y, int width, int height);
typedef void (*SetOpenGLDisplayRotationFn)(float zRot);
typedef void (*RepaintOpenGLDisplayFn)(void);
typedef void (*SetStreamModeFn)(int mode);
typedef int (*ScreenCaptureFn)(void *buffer, int width, int height);
typedef int (*GetGraphicsCardFn)(char *buffer, int bufferSize);

#ifdef __cplusplus
}
#endif
