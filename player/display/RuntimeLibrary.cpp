#include "display/RuntimeLibrary.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

RuntimeLibrary::RuntimeLibrary(const QString &fileName, const char *overrideVariable)
    : m_fileName(fileName), m_overrideVariable(overrideVariable)
{
}

bool RuntimeLibrary::load()
{
    if (m_library.isLoaded())
        return true;
    m_library.setFileName(fileToLoad());
    m_library.setLoadHints(QLibrary::ResolveAllSymbolsHint);
    return m_library.load();
}

QString RuntimeLibrary::fileToLoad() const
{
    const QByteArray chosen = qgetenv(m_overrideVariable.constData());
    if (!chosen.isEmpty())
        return QFile::decodeName(chosen);
    if (QCoreApplication::instance() != nullptr) {
        const QString besideProgram = QCoreApplication::applicationDirPath() + '/' + m_fileName;
        if (QFileInfo::exists(besideProgram))
            return besideProgram;
    }
    return m_fileName;
}
