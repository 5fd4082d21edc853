#include "app/App.h"

App::App(int &argc, char **argv) : QApplication(argc, argv)
{
    installNativeEventFilter(&m_imeFilter);
}

// The filter takes itself off the application as it goes.
App::~App() = default;

void App::useRasterGraphics()
{
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
}
