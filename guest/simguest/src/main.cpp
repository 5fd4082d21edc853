// tavenor-guest: the simulated Android guest. Started by the simulated engine
// as `tavenor-guest <state folder>`; see GuestOptions.h for the options.

#include "GuestOptions.h"
#include "ParentWatch.h"
#include "SimulatedGuest.h"
#include "TerminationSignal.h"

#include <QFileInfo>
#include <QGuiApplication>

#include <csignal>
#include <cstdio>

int main(int argc, char **argv)
{
    // First of all: a player that ends during the start-up below must still
    // be seen to have gone, whoever adopts the guest then.
    ParentWatch parentWatch;
    // The screen is only ever drawn into images; no display is needed.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    std::signal(SIGPIPE, SIG_IGN);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QGuiApplication app(argc, argv);
    if (!parentWatch.start()) {
        std::fprintf(stderr, "the program that started tavenor-guest has already ended\n");
        return 1;
    }

    const GuestOptionsResult parsed = parseGuestOptions(
        app.arguments(), [](const char *name) { return qEnvironmentVariable(name); });
    if (!parsed.options) {
        std::fprintf(stderr, "%s\n%s\n", qPrintable(parsed.error), qPrintable(guestUsage()));
        return 2;
    }
    const GuestOptions &options = *parsed.options;
    if (!QFileInfo(options.stateFolder).isDir()) {
        std::fprintf(stderr, "the state folder %s does not exist\n",
                     qPrintable(options.stateFolder));
        return 2;
    }

    TerminationSignal termination;
    SimulatedGuest guest(options);
    QString error;
    if (!guest.start(&error)) {
        std::fprintf(stderr, "tavenor-guest cannot start: %s\n", qPrintable(error));
        return 1;
    }
    QObject::connect(&termination, &TerminationSignal::received, &app, [&app](int signalNumber) {
        std::fprintf(stderr, "tavenor-guest ending on signal %d\n", signalNumber);
        app.quit();
    });
    QObject::connect(&guest, &SimulatedGuest::quitRequested, &app, &QCoreApplication::quit);
    QObject::connect(&parentWatch, &ParentWatch::parentEnded, &app, [&app] {
        std::fprintf(stderr, "the program that started tavenor-guest has ended, ending\n");
        app.quit();
    });
    std::printf("tavenor-guest started in %s (boot delay %d ms, %d fps, frames %dx%d, host %s)\n",
                qPrintable(options.stateFolder), options.bootDelayMs, options.framesPerSecond,
                options.frameSize.width(), options.frameSize.height(), qPrintable(options.host));
    const int status = app.exec();
    guest.stop();
    std::printf("tavenor-guest stopped\n");
    return status;
}
