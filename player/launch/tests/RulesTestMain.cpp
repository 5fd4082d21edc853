#include <gtest/gtest.h>

#include <QGuiApplication>

// A GUI application on the offscreen platform: the launch reads the
// desktop's height from the screen.
int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
