#include "window/FeatureModule.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

namespace FeatureModule {

QString locate(const QString &baseName)
{
    QStringList folders{QCoreApplication::applicationDirPath()};
    folders += QCoreApplication::libraryPaths();
    folders.removeDuplicates();
    const QStringList fileNames{QStringLiteral("lib%1.so").arg(baseName), QStringLiteral("%1.dll").arg(baseName),
                                QStringLiteral("lib%1.dll").arg(baseName)};
    for (const QString &folder : qAsConst(folders)) {
        for (const QString &fileName : fileNames) {
            const QFileInfo file(folder + QLatin1Char('/') + fileName);
            if (file.isFile())
                return file.absoluteFilePath();
        }
    }
    return QString();
}

} // namespace FeatureModule
