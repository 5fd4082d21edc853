#pragma once

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
// --fps <n> (1..60), --host <address>; environment: TAVENOR_GUEST_BOOT_DELAY_MS,
// TAVENOR_GUEST_FPS. Exactly one positional argument, the state folder.
GuestOptionsResult parseGuestOptions(const QStringList &arguments,
                                     const EnvironmentLookup &environment);

QString guestUsage();
