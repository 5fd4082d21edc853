#include "app/WindowsFolder.h"

QString windowsFolder()
{
    return QString();
}
