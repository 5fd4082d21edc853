#include "app/PlayerRunner.h"

#include "app/Paths.h"
#include "display/RendererBinding.h"
#include "launch/LaunchProcess.h"
#include "resources/PlayerResources.h"
#include "window/MainWindow.h"
#include "window/MapDialog.h"

#include <service/misc.h>
#include <service/server_manager.h>
#include <service/socket.h>

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QProcess>
#include <QTranslator>

namespace {

QString readStyleSheet()
{
    QFile file(QStringLiteral(":/resources/qss/dark.qss"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

QString updaterProgram()
{
#if defined(Q_OS_WIN)
    return installDir() + QStringLiteral("/TavenorUpdater.exe");
#else
    return installDir() + QStringLiteral("/TavenorUpdater");
#endif
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

int runPlayer(QApplication &app, int, char **)
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
    MapDialog::attachTo(&window);
    // The machine is stopped at exit only once the launch worker has let go
    // of it.
    QObject::connect(&window, &MainWindow::onExitConfirmed, &launch,
                     [&launch] { launch.cancelAndWait(LaunchProcess::kStopWaitMs); }, Qt::DirectConnection);
    launch.start(&window);

    // Started as a program with no arguments rather than as a command line,
    // so that an install folder with spaces in its path names the right file.
    QProcess::startDetached(updaterProgram(), QStringList());

    const int result = QApplication::exec();
    endGuestEvents();
    return result;
}
