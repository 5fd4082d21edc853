#include "GuestOptions.h"

#include <FrameStream.h>

namespace {

constexpr int kMaxBootDelayMs = 600000;
constexpr int kMaxFramesPerSecond = 60;
// What the display stream carries.
constexpr int kMinFrameSide = 1;
constexpr int kMaxFrameSide = int(framestream::kFrameMaxSide);

struct IntRange
{
    int low;
    int high;
};

std::optional<int> parseBounded(const QString &text, IntRange range)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < range.low || value > range.high)
        return std::nullopt;
    return value;
}

QString rangeError(const QString &what, const QString &text, IntRange range)
{
    return QStringLiteral("%1 must be a whole number from %2 to %3, not \"%4\"")
        .arg(what)
        .arg(range.low)
        .arg(range.high)
        .arg(text);
}

// "WxH", each side within range.
std::optional<QSize> parseFrameSize(const QString &text)
{
    const QStringList sides = text.split(QLatin1Char('x'));
    if (sides.size() != 2)
        return std::nullopt;
    const IntRange range{kMinFrameSide, kMaxFrameSide};
    const auto width = parseBounded(sides[0], range);
    const auto height = parseBounded(sides[1], range);
    if (!width || !height)
        return std::nullopt;
    return QSize(*width, *height);
}

} // namespace

QString guestUsage()
{
    return QStringLiteral(
        "usage: tavenor-guest [--boot-delay-ms MS] [--fps N] [--frame-size WxH] [--host ADDRESS] "
        "STATE_FOLDER");
}

GuestOptionsResult parseGuestOptions(const QStringList &arguments,
                                     const EnvironmentLookup &environment)
{
    const IntRange bootRange{0, kMaxBootDelayMs};
    const IntRange fpsRange{1, kMaxFramesPerSecond};
    GuestOptions options;
    QString bootText = environment("TAVENOR_GUEST_BOOT_DELAY_MS");
    QString fpsText = environment("TAVENOR_GUEST_FPS");
    QString frameSizeText = environment("TAVENOR_GUEST_FRAME_SIZE");
    QStringList positional;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (!argument.startsWith(QLatin1String("--"))) {
            positional.append(argument);
            continue;
        }
        if (i + 1 >= arguments.size())
            return {std::nullopt, QStringLiteral("%1 needs a value").arg(argument)};
        const QString value = arguments.at(++i);
        if (argument == QLatin1String("--boot-delay-ms"))
            bootText = value;
        else if (argument == QLatin1String("--fps"))
            fpsText = value;
        else if (argument == QLatin1String("--frame-size"))
            frameSizeText = value;
        else if (argument == QLatin1String("--host"))
            options.host = value;
        else
            return {std::nullopt, QStringLiteral("unknown option %1").arg(argument)};
    }
    if (positional.size() != 1)
        return {std::nullopt, QStringLiteral("exactly one state folder expected")};
    options.stateFolder = positional.first();
    if (!bootText.isEmpty()) {
        const auto delay = parseBounded(bootText, bootRange);
        if (!delay)
            return {std::nullopt,
                    rangeError(QStringLiteral("the boot delay"), bootText, bootRange)};
        options.bootDelayMs = *delay;
    }
    if (!fpsText.isEmpty()) {
        const auto fps = parseBounded(fpsText, fpsRange);
        if (!fps)
            return {std::nullopt, rangeError(QStringLiteral("the frame rate"), fpsText, fpsRange)};
        options.framesPerSecond = *fps;
    }
    if (!frameSizeText.isEmpty()) {
        const auto size = parseFrameSize(frameSizeText);
        if (!size)
            return {std::nullopt,
                    QStringLiteral("the frame size must be WIDTHxHEIGHT, each from %1 to %2, not \"%3\"")
                        .arg(kMinFrameSide)
                        .arg(kMaxFrameSide)
                        .arg(frameSizeText)};
        options.frameSize = *size;
    }
    if (options.host.isEmpty())
        return {std::nullopt, QStringLiteral("the host address is empty")};
    return {options, {}};
}
