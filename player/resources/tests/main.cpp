#include "resources/PlayerResources.h"

#include <gtest/gtest.h>

#include <QApplication>

// Style sheets and pixmaps need a GUI application; no screen is needed.
int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    initPlayerResources();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
