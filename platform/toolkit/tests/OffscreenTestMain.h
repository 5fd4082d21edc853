#pragma once

#include <QApplication>
#include <QtTest>

// QtTest's widget main for tests that need no X input: the offscreen
// platform is chosen before the application object exists.
#define TOOLKIT_OFFSCREEN_TEST_MAIN(TestClass)            \
    int main(int argc, char **argv)                       \
    {                                                     \
        qputenv("QT_QPA_PLATFORM", "offscreen");          \
        QApplication app(argc, argv);                     \
        app.setAttribute(Qt::AA_Use96Dpi, true);          \
        TestClass test;                                   \
        return QTest::qExec(&test, argc, argv);           \
    }
