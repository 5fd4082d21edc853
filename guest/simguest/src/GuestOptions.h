#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// How tavenor-guest was asked to run. The simulated engine starts it with the
// state folder only, so the settings a test needs can also come from the
// environment the engine passes on; the command line wins over it.
struct GuestOptions
{
    QString stateFolder;
    int bootDelayMs = 3000;
    int framesPerSecond = 30;
    // The size frames are sent at. The screen, and the input positions it
    // takes, stay 1280 x 720; a larger or smaller frame is that screen
    // scaled, so that the host's display path can be measured at other sizes.
    QSize frameSize{1280, 720};
    QString host = QStringLiteral("127.0.0.1"); // where the host services listen
};

struct GuestOptionsResult
{
    std::optional<GuestOptions> options;
    QString error; // set when options is empty
};

// Looks up an environment variable; empty when unset.
using EnvironmentLookup = std::function<QString(const char *name)>;

// arguments[0] is the program. Options: --boot-delay-ms <ms> (0..600000),
// --fps <n> (1..60), --frame-size <W>x<H> (each side 1..4096), --host <address>;
// environment: TAVENOR_GUEST_BOOT_DELAY_MS, TAVENOR_GUEST_FPS,
// TAVENOR_GUEST_FRAME_SIZE. Exactly one positional argument, the state folder.
GuestOptionsResult parseGuestOptions(const QStringList &arguments,
                                     const EnvironmentLookup &environment);

QString guestUsage();
