#include "LibraryFolder.h"

#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>

QString libraryFolder()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&libraryFolder), &info) == 0 || !info.dli_fname)
        return {};
    return QFileInfo(QFile::decodeName(info.dli_fname)).absolutePath();
}
