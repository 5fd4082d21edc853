#include "window/StartFailureText.h"

#include <QCoreApplication>

#include <array>

namespace {

constexpr char kContext[] = "MainWindow";
constexpr const char *kBase = QT_TRANSLATE_NOOP("MainWindow", "Engine Start Failed\nTry restart Application.");
constexpr const char *kUnknown = QT_TRANSLATE_NOOP("MainWindow", "Unknown Error");
// By reason code, from 1.
constexpr std::array<const char *, 5> kReasons = {
    QT_TRANSLATE_NOOP("MainWindow", "Engine Not Initialized"),
    QT_TRANSLATE_NOOP("MainWindow", "Engine COM Communication Failed"),
    QT_TRANSLATE_NOOP("MainWindow", "Machine Not Found"),
    QT_TRANSLATE_NOOP("MainWindow", "Machine Start Failed"),
    QT_TRANSLATE_NOOP("MainWindow", "Engine Location Not Found"),
};

} // namespace

QString StartFailureText::text(int reason, const QString &detail)
{
    const bool known = reason >= 1 && reason <= int(kReasons.size());
    const char *reasonText = known ? kReasons[size_t(reason - 1)] : kUnknown;
    const QString text =
        QCoreApplication::translate(kContext, kBase) + QCoreApplication::translate(kContext, reasonText);
    return detail.isEmpty() ? text : text + QLatin1Char('\n') + detail;
}
