// One QGuiApplication for the whole test binary, on the offscreen platform:
// painting needs fonts, and timers and sockets need an event loop.

#include <QGuiApplication>

#include <gtest/gtest.h>

namespace {

class GuiEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "simguest-tests";
        static char *argv[] = {name, nullptr};
        m_app = new QGuiApplication(argc, argv);
    }

    void TearDown() override
    {
        delete m_app;
        m_app = nullptr;
    }

private:
    QGuiApplication *m_app = nullptr;
};

[[maybe_unused]] ::testing::Environment *const g_environment =
    ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

} // namespace
