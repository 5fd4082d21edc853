#include "app/WindowsFolder.h"

#include <QDir>

#include <windows.h>
#include <shlobj.h>

QString windowsFolder()
{
    constexpr int kWindowsDirectory = 0x24; // CSIDL_WINDOWS
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, kWindowsDirectory, nullptr, SHGFP_TYPE_CURRENT, path)))
        return QString();
    return QDir::fromNativeSeparators(QString::fromWCharArray(path));
}
