#pragma once

#include <QString>

// The Windows folder with forward slashes, or the empty text where there is
// none (every platform but Windows, or when the shell cannot tell).
QString windowsFolder();
