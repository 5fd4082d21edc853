#include "app/App.h"
#include "app/DisplayLoss.h"
#include "app/DisplayPlatform.h"
#include "app/InstanceGuard.h"
#include "app/InstanceName.h"
#include "app/PlayerRunner.h"
#include "display/RendererBinding.h"
#include "launch/VmEngineSelection.h"
#include "settings/PlayerRestart.h"
#include "splash/InfoReporter.h"

#include <FileVersion.h>
#include <TMessageBox.h>
#include <VMService.h>

#include <QCoreApplication>
#include <QDebug>

#include <cstdio>

TAVENOR_FILE_VERSION(TAVENOR_PLAYER_VERSION);

namespace {

// The name becomes part of file paths: one that is not a plain file name is
// refused before anything is written.
bool acceptInstanceName(const QString &name)
{
    const QString problem = instanceNameProblem(name);
    if (problem.isEmpty())
        return true;
    const QString text = QCoreApplication::translate("main", "Invalid instance name \"%1\": %2.").arg(name, problem);
    std::fprintf(stderr, "%s\n", qPrintable(text));
    TMessageBox box(nullptr, text, false);
    box.exec();
    return false;
}

// The end of a run that passed the start-up checks, also of one whose
// machine would not stop in time: the reports sent meanwhile get their
// moment to leave, the instance key is given back, and only then a restart
// the settings asked for is started (any earlier, it would be refused as a
// second instance).
void leaveInstance(InstanceGuard &guard)
{
    InfoReporter::instance()->waitForReplies();
    guard.release();
    PlayerRestart::startPending();
}

} // namespace

int main(int argc, char **argv)
{
    DisplayPlatform::choose();
    endAtOnceWhenDisplayLost();
    App::useRasterGraphics();
    App app(argc, argv);
    DisplayPlatform::warnWhenUnsuitable();
    if (argc > 1)
        setInstanceName(QString::fromUtf8(argv[1]));
    if (!acceptInstanceName(instanceName()))
        return -1;

    InfoReporter::instance()->setGraphicsCardSource(&glrender::graphicsCardName);
    InfoReporter::instance()->report(true, false);

    InstanceGuard guard(instanceName());
    if (!guard.tryToRun()) {
        qDebug() << "Same instance has ran!";
        InfoReporter::instance()->waitForReplies();
        return -1;
    }

    selectVmEngineFromSettings();
    if (!VMService::getVMService()->vboxInstalled()) {
        qDebug() << "vbox not installed";
        InfoReporter::instance()->waitForReplies();
        return -1;
    }

    qDebug() << "start player...";
    const auto leave = [&guard] { leaveInstance(guard); };
    const int result = runPlayer(app, argc, argv, leave);
    leave();
    return result;
}
