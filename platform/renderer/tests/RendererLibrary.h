#pragma once

#include "OpenglRender.h"

#include <cstdint>
#include <string>
#include <vector>

// The renderer library as the player sees it: loaded by bare name with
// dlopen, its ten entry points resolved by name. Loaded once per process and
// never unloaded, like the player's copy.
struct RendererLibrary
{
    InitLibraryFn initLibrary = nullptr;
    InitOpenGLRendererFn initOpenGLRenderer = nullptr;
    SetRotationCallbackFn setRotationCallback = nullptr;
    CreateOpenGLSubwindowFn createOpenGLSubwindow = nullptr;
    SetOpenGLViewportFn setOpenGLViewport = nullptr;
    SetOpenGLDisplayRotationFn setOpenGLDisplayRotation = nullptr;
    RepaintOpenGLDisplayFn repaintOpenGLDisplay = nullptr;
    SetStreamModeFn setStreamMode = nullptr;
    ScreenCaptureFn screenCapture = nullptr;
    GetGraphicsCardFn getGraphicsCard = nullptr;

    std::string error; // why loading failed, empty when every entry point resolved
    void *handle = nullptr;

    bool loaded() const { return error.empty(); }

    static const RendererLibrary &get();
};

// Starts the renderer's stream server (once) and returns "127.0.0.1:PORT".
std::string rendererAddress();

// The newest frame through screenCapture at the given size; empty when the
// call fails.
std::vector<std::uint8_t> captureFrame(int width, int height);
