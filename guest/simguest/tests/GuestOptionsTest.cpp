// The guest's command line and the environment the engine passes on.

#include "GuestOptions.h"

#include <QMap>

#include <gtest/gtest.h>

namespace {

GuestOptionsResult parse(const QStringList &arguments,
                         const QMap<QByteArray, QString> &environment = {})
{
    return parseGuestOptions(QStringList{QStringLiteral("tavenor-guest")} + arguments,
                             [&environment](const char *name) { return environment.value(name); });
}

TEST(GuestOptions, DefaultsWithOnlyTheStateFolder)
{
    const GuestOptionsResult result = parse({QStringLiteral("/vm/tavenor.sim")});
    ASSERT_TRUE(result.options) << qPrintable(result.error);
    EXPECT_EQ(result.options->stateFolder, QStringLiteral("/vm/tavenor.sim"));
    EXPECT_EQ(result.options->bootDelayMs, 3000);
    EXPECT_EQ(result.options->framesPerSecond, 30);
    EXPECT_EQ(result.options->frameSize, QSize(1280, 720));
    EXPECT_EQ(result.options->host, QStringLiteral("127.0.0.1"));
}

TEST(GuestOptions, CommandLineWinsOverTheEnvironment)
{
    const QMap<QByteArray, QString> environment{
        {"TAVENOR_GUEST_BOOT_DELAY_MS", QStringLiteral("150")},
        {"TAVENOR_GUEST_FPS", QStringLiteral("12")},
        {"TAVENOR_GUEST_FRAME_SIZE", QStringLiteral("1920x1080")}};
    GuestOptionsResult result = parse({QStringLiteral("/s")}, environment);
    ASSERT_TRUE(result.options);
    EXPECT_EQ(result.options->bootDelayMs, 150);
    EXPECT_EQ(result.options->framesPerSecond, 12);
    EXPECT_EQ(result.options->frameSize, QSize(1920, 1080));

    result = parse({QStringLiteral("--boot-delay-ms"), QStringLiteral("0"), QStringLiteral("--fps"),
                    QStringLiteral("60"), QStringLiteral("--frame-size"), QStringLiteral("1x4096"),
                    QStringLiteral("--host"), QStringLiteral("127.0.0.2"), QStringLiteral("/s")},
                   environment);
    ASSERT_TRUE(result.options) << qPrintable(result.error);
    EXPECT_EQ(result.options->bootDelayMs, 0);
    EXPECT_EQ(result.options->framesPerSecond, 60);
    EXPECT_EQ(result.options->frameSize, QSize(1, 4096));
    EXPECT_EQ(result.options->host, QStringLiteral("127.0.0.2"));
    EXPECT_EQ(result.options->stateFolder, QStringLiteral("/s"));
}

TEST(GuestOptions, RefusesWhatItCannotUse)
{
    const std::pair<QStringList, QString> cases[] = {
        {{}, QStringLiteral("exactly one state folder expected")},
        {{QStringLiteral("/a"), QStringLiteral("/b")},
         QStringLiteral("exactly one state folder expected")},
        {{QStringLiteral("/a"), QStringLiteral("--fps")}, QStringLiteral("--fps needs a value")},
        {{QStringLiteral("--fps"), QStringLiteral("0"), QStringLiteral("/a")},
         QStringLiteral("the frame rate must be a whole number from 1 to 60, not \"0\"")},
        {{QStringLiteral("--fps"), QStringLiteral("61"), QStringLiteral("/a")},
         QStringLiteral("the frame rate must be a whole number from 1 to 60, not \"61\"")},
        {{QStringLiteral("--boot-delay-ms"), QStringLiteral("-1"), QStringLiteral("/a")},
         QStringLiteral("the boot delay must be a whole number from 0 to 600000, not \"-1\"")},
        {{QStringLiteral("--boot-delay-ms"), QStringLiteral("soon"), QStringLiteral("/a")},
         QStringLiteral("the boot delay must be a whole number from 0 to 600000, not \"soon\"")},
        {{QStringLiteral("--frame-size"), QStringLiteral("4097x720"), QStringLiteral("/a")},
         QStringLiteral("the frame size must be WIDTHxHEIGHT, each from 1 to 4096, not \"4097x720\"")},
        {{QStringLiteral("--frame-size"), QStringLiteral("0x720"), QStringLiteral("/a")},
         QStringLiteral("the frame size must be WIDTHxHEIGHT, each from 1 to 4096, not \"0x720\"")},
        {{QStringLiteral("--frame-size"), QStringLiteral("1280x720x1"), QStringLiteral("/a")},
         QStringLiteral("the frame size must be WIDTHxHEIGHT, each from 1 to 4096, not \"1280x720x1\"")},
        {{QStringLiteral("--host"), QString(), QStringLiteral("/a")},
         QStringLiteral("the host address is empty")},
        {{QStringLiteral("--verbose"), QStringLiteral("1"), QStringLiteral("/a")},
         QStringLiteral("unknown option --verbose")},
    };
    for (const auto &[arguments, error] : cases) {
        const GuestOptionsResult result = parse(arguments);
        EXPECT_FALSE(result.options) << qPrintable(arguments.join(' '));
        EXPECT_EQ(result.error, error) << qPrintable(arguments.join(' '));
    }
    const GuestOptionsResult fromEnvironment =
        parse({QStringLiteral("/a")}, {{"TAVENOR_GUEST_FPS", QStringLiteral("fast")}});
    EXPECT_EQ(fromEnvironment.error,
              QStringLiteral("the frame rate must be a whole number from 1 to 60, not \"fast\""));
}

} // namespace
