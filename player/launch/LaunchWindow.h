#pragma once

class QObject;
class QString;

// What the launch needs of the window that shows the guest. The main window
// implements it; tests implement it without a window.
class LaunchWindow
{
public:
    // The object whose signals the bridges emit (LaunchBridges.h lists them)
    // and whose address is the user data of every guest-service and renderer
    // callback. The main window gives itself.
    virtual QObject *bridgeTarget() = 0;
    // Sizes the window for the guest resolution and shows it. GUI thread.
    virtual void showForGuest(int width, int height) = 0;
    // Starts the GL renderer for the guest size; the renderer writes its
    // connection address, NUL-terminated, into address (size bytes, zero-
    // filled). The launch goes on whatever the result. GUI thread.
    virtual bool startRenderer(int width, int height, char *address, int size) = 0;
    // All launch attempts failed with reason (1 to 5, VMService::start()'s
    // codes); detail, translated and often empty, says more. Delivered on
    // the bridge target's thread.
    virtual void vmStartFailed(int reason, const QString &detail) = 0;

protected:
    // Never deleted through this interface.
    ~LaunchWindow() = default;
};
