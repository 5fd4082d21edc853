#pragma once

#include <QString>
#include <QStringList>

class QIODevice;
class TSplashWidget;

// The splash as the window shows it at start: downloaded pictures and help
// texts from the VM folder where they exist, else the built-in ones; the
// stretch flag and help-text colour from the shared store; the progress
// creeping to 99 over 30 s and the help text changing every 8 s.
namespace SplashSetup {

inline constexpr int kProgressMs = 30000;
inline constexpr int kProgressTarget = 99;
inline constexpr int kHelpIntervalMs = 8000;
inline constexpr int kMaxHelpLines = 20;

// `downloaded` when that file exists, else `builtIn`.
QString chooseFile(const QString &downloaded, const QString &builtIn);

// At most kMaxHelpLines lines of a UTF-8 file, empty lines included; none
// when the file cannot be opened.
QStringList readHelpTexts(const QString &path);
// The same from a device open for reading.
QStringList helpTextsOf(QIODevice &device);

void setUp(TSplashWidget &splash);

} // namespace SplashSetup
