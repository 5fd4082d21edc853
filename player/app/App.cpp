#include "app/App.h"

App::App(int &argc, char **argv) : QApplication(argc, argv)
{
    installNativeEventFilter(&m_imeFilter);
}

// The filter takes itself off the application as it goes.
App::~App() = default;
