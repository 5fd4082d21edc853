#include "app/App.h"
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

} // namespace

int main(int argc, char **argv)
{
    DisplayPlatform::choose();
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
        return -1;
    }

    qDebug() << "start player...";
    const int result = runPlayer(app, argc, argv);
    // The close report was sent as the event loop ended.
    InfoReporter::instance()->waitForReplies();
    // A restarted player would be refused while this one holds the key.
    guard.release();
    PlayerRestart::startPending();
    return result;
}
