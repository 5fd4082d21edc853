#include "LibraryFolder.h"

#include <QDir>
#include <QFileInfo>

#include <windows.h>

#include <vector>

QString libraryFolder()
{
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&libraryFolder), &module))
        return {};
    // The path may be longer than MAX_PATH; a result that fills the buffer
    // may have been cut short, so it grows until the path fits.
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(module, path.data(), DWORD(path.size()));
        if (length == 0)
            return {};
        if (length < path.size())
            return QFileInfo(QDir::fromNativeSeparators(QString::fromWCharArray(path.data(), int(length))))
                .absolutePath();
        path.resize(path.size() * 2);
    }
}
