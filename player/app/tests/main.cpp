#include <gtest/gtest.h>

#include <QCoreApplication>

// The install folder is the folder of the running program, which needs the
// application object.
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
