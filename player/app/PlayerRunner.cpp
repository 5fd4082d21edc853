#include "app/PlayerRunner.h"

#include "app/Paths.h"
#include "app/TerminationSignals.h"
#include "display/RendererBinding.h"
#include "launch/LaunchProcess.h"
#include "launch/MachineShutdown.h"
#include "resources/PlayerResources.h"
#include "window/MainWindow.h"

#include <service/misc.h>
#include <service/server_manager.h>
#include <service/socket.h>

#include <QApplication>
#include <QDebug>
#include <QFile>
#include <QFont>
#include <QProcess>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>

namespace {

QString readStyleSheet()
{
    QFile file(QStringLiteral(":/resources/qss/dark.qss"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

// The guest services and the renderer call back into the window from their
// own threads for as long as they run, and a guest can still connect after
// the window has closed: they are stopped (the threads joined) before the
// window is destroyed.
void endGuestEvents()
{
    glrender::setRotationCallback(nullptr, nullptr);
    misc_stop();
    server_manager_cleanup();
}

} // namespace

int runPlayer(QApplication &app, int, char **, const std::function<void()> &leave)
{
    initPlayerResources();

    QFont font;
    font.setFamily(QStringLiteral("Microsoft YaHei"));
    QApplication::setFont(font);

    init_winsock();

    app.setStyleSheet(readStyleSheet());
    QApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);

    QTranslator translator;
    if (translator.load(QStringLiteral(":/lang/zh_CN.qm")))
        QApplication::installTranslator(&translator);

    LaunchProcess launch;
    MainWindow window;
    // The window hides at once on a confirmed exit; the machine is stopped
    // while the event loop runs on, and the program ends when that is done.
    MachineShutdown shutdown(launch);
    QObject::connect(&window, &MainWindow::onExitConfirmed, &shutdown, &MachineShutdown::begin);
    QObject::connect(&shutdown, &MachineShutdown::done, &app, &QApplication::quit);
    // A request to end from outside is an exit the user has confirmed.
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::received, &window, &MainWindow::closeWithoutAsking);
    launch.start(&window);

    // Started as a program with no arguments rather than as a command line,
    // so that an install folder with spaces in its path names the right file.
    QProcess::startDetached(updaterPath(), QStringList());

    const int result = QApplication::exec();
    // However the event loop ended, the worker is joined and the machine
    // stopped before the services stop and the window goes.
    window.hide();
    if (!shutdown.finish(MachineShutdown::kBoundMs)) {
        qDebug() << "machine shutdown did not end in time, leaving it";
        leave();
        std::fflush(nullptr);
        std::_Exit(result);
    }
    endGuestEvents();
    return result;
}
