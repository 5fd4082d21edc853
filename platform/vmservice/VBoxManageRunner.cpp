#include "VBoxManageRunner.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>

#include <utility>

namespace {

// Bounds the wait for a killed process to be gone.
constexpr int kReapTimeoutMs = 5000;

bool isExecutable(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

QStringList standardLocations()
{
#if defined(_WIN32)
    QStringList folders;
    for (const char *variable : {"VBOX_MSI_INSTALL_PATH", "VBOX_INSTALL_PATH"}) {
        const QString value = qEnvironmentVariable(variable);
        if (!value.isEmpty())
            folders.append(value.split(QLatin1Char(';'), Qt::SkipEmptyParts));
    }
    const QSettings registry(QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Oracle\\VirtualBox"),
                             QSettings::NativeFormat);
    folders.append(registry.value(QStringLiteral("InstallDir")).toString());
    folders.append(QStringLiteral("C:/Program Files/Oracle/VirtualBox"));
    QStringList programs;
    for (const QString &folder : qAsConst(folders)) {
        if (!folder.isEmpty())
            programs.append(QDir(folder).filePath(QStringLiteral("VBoxManage.exe")));
    }
    return programs;
#else
    return {QStringLiteral("/usr/bin/VBoxManage"), QStringLiteral("/usr/local/bin/VBoxManage"),
            QStringLiteral("/usr/lib/virtualbox/VBoxManage"), QStringLiteral("/opt/VirtualBox/VBoxManage"),
            QStringLiteral("/Applications/VirtualBox.app/Contents/MacOS/VBoxManage")};
#endif
}

} // namespace

VBoxManageRunner::VBoxManageRunner(QString program) : m_program(std::move(program)) {}

VBoxManageRunner::VBoxManageRunner(QString program, Timeouts timeouts)
    : m_program(std::move(program)), m_timeouts(timeouts)
{
}

QString VBoxManageRunner::locate()
{
    const QString configured = qEnvironmentVariable("TAVENOR_VBOXMANAGE");
    if (!configured.isEmpty())
        return configured;
    const QString onPath = QStandardPaths::findExecutable(QStringLiteral("VBoxManage"));
    if (!onPath.isEmpty())
        return onPath;
    for (const QString &candidate : standardLocations()) {
        if (isExecutable(candidate))
            return candidate;
    }
    return {};
}

VBoxManageRunner::Result VBoxManageRunner::run(const QStringList &arguments, int timeoutMs) const
{
    Result result;
    if (m_program.isEmpty()) {
        qDebug() << "VBoxManage not found, cannot run" << arguments;
        return result;
    }
    QProcess process;
    process.setProgram(m_program);
    process.setArguments(arguments);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(timeoutMs)) {
        qDebug() << "VBoxManage failed to start" << m_program << process.errorString();
        result.status = Result::Status::FailedToStart;
        return result;
    }
    if (!process.waitForFinished(timeoutMs)) {
        qDebug() << "VBoxManage timed out after" << timeoutMs << "ms" << arguments;
        process.kill();
        process.waitForFinished(kReapTimeoutMs);
        result.status = Result::Status::TimedOut;
        return result;
    }
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    if (process.exitStatus() == QProcess::CrashExit) {
        qDebug() << "VBoxManage crashed" << arguments;
        result.status = Result::Status::Crashed;
        return result;
    }
    result.status = Result::Status::Finished;
    result.exitCode = process.exitCode();
    return result;
}
