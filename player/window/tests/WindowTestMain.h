#pragma once

#include "resources/PlayerResources.h"

#include <QApplication>
#include <QtTest>

// QtTest's widget main for tests without real X input: the offscreen
// platform is chosen before the application object exists, and the player's
// built-in resources (icons, catalogue) are registered.
#define WINDOW_OFFSCREEN_TEST_MAIN(TestClass)             \
    int main(int argc, char **argv)                       \
    {                                                     \
        qputenv("QT_QPA_PLATFORM", "offscreen");          \
        QApplication app(argc, argv);                     \
        app.setAttribute(Qt::AA_Use96Dpi, true);          \
        initPlayerResources();                            \
        TestClass test;                                   \
        return QTest::qExec(&test, argc, argv);           \
    }
