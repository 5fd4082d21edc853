#pragma once

#include "app/ImeNativeEventFilter.h"

#include <QApplication>

// The player's application object: a QApplication with the input-language
// filter installed on it for its whole life.
class App : public QApplication
{
    Q_OBJECT

public:
    App(int &argc, char **argv);
    ~App() override;

    // Before the application object: nothing in the player draws with
    // OpenGL (the guest display is raster, the renderer asks a helper for
    // the OpenGL name, the location picker's web engine renders in software),
    // so Qt's GLX integration is left out, and with it the OpenGL driver it
    // would load at start (tens of MB, and time). A choice already made in
    // the environment stands. Qt reads the choice when it first needs it,
    // so it stays in the environment, and the programs the player starts
    // inherit it.
    static void useRasterGraphics();

private:
    ImeNativeEventFilter m_imeFilter;
};
