#include "SimStateFolder.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <utility>

SimStateFolder::SimStateFolder(QString path) : m_path(std::move(path)) {}

QString SimStateFolder::pathFor(const QString &definitionPath, const QString &machineName)
{
    QString safeName = machineName;
    safeName.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QLatin1Char('\\'), QLatin1Char('_'));
    safeName.remove(QChar(0));
    return QFileInfo(definitionPath).absoluteDir().filePath(safeName + QLatin1String(simstate::kFolderSuffix));
}

QString SimStateFolder::filePath(const char *file) const
{
    return QDir(m_path).filePath(QLatin1String(file));
}

bool SimStateFolder::create() const
{
    if (QDir().mkpath(m_path))
        return true;
    qDebug() << "cannot create machine state folder" << m_path;
    return false;
}

simstate::Entries SimStateFolder::read(const char *file) const
{
    QFile in(filePath(file));
    if (!in.open(QIODevice::ReadOnly))
        return {};
    const QByteArray text = in.readAll();
    return simstate::parseEntries(std::string_view(text.constData(), size_t(text.size())));
}

bool SimStateFolder::write(const char *file, const simstate::Entries &entries) const
{
    const std::string text = simstate::formatEntries(entries);
    QSaveFile out(filePath(file));
    if (!out.open(QIODevice::WriteOnly) || out.write(text.data(), qint64(text.size())) != qint64(text.size())
        || !out.commit()) {
        qDebug() << "cannot write machine state" << out.fileName() << out.errorString();
        return false;
    }
    return true;
}

bool SimStateFolder::setEntry(const char *file, const QString &name, const QString &value) const
{
    simstate::Entries entries = read(file);
    entries[name.toStdString()] = value.toStdString();
    return write(file, entries);
}

bool SimStateFolder::writeHardware(int cpuCount, int memoryMB) const
{
    return write(simstate::kHardwareFile, {{simstate::kCpusKey, std::to_string(cpuCount)},
                                            {simstate::kMemoryKey, std::to_string(memoryMB)}});
}
