#include <gtest/gtest.h>

#include <QGuiApplication>

// The reporter measures the desktop and sends through the event loop: a GUI
// application on the minimal platform (one 240x320 screen) serves both
// without an X server. (Qt 5.15's offscreen platform leaks its screen at
// exit, which LeakSanitizer reports.)
int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "minimal");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
