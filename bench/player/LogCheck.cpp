#include "LogCheck.h"

#include <QRegularExpression>

namespace {

// Reports of ASan, LSan, UBSan and TSan, whatever their wording.
const QRegularExpression kSanitizer(QStringLiteral("Sanitizer|runtime error:"));
const QRegularExpression kErrorWord(QStringLiteral("error|failed"), QRegularExpression::CaseInsensitiveOption);

// Lines that name an error without being a fault of the player's.
const QList<QRegularExpression> kBenign = {
    // The shutter and shake sounds on a machine without a sound server:
    // Qt Multimedia says so on each play, and the player goes on silently.
    QRegularExpression(QStringLiteral("^PulseAudioService: pa_context_connect\\(\\) failed$")),
    // The service library's words for a misc connection that ends while
    // it waits for the next message: the soak drops that connection on
    // purpose, and the guest's stop at exit ends it too. That each dropped
    // connection came back is checked on its own.
    QRegularExpression(QStringLiteral("^misc read magic failed$")),
};

} // namespace

bool LogCheck::isError(const QString &line)
{
    if (line.contains(kSanitizer))
        return true;
    if (!line.contains(kErrorWord))
        return false;
    for (const QRegularExpression &benign : kBenign) {
        if (line.contains(benign))
            return false;
    }
    return true;
}

QStringList LogCheck::errorLines(const QString &log)
{
    QStringList errors;
    for (const QString &line : log.split(QLatin1Char('\n'))) {
        if (isError(line))
            errors.append(line);
    }
    return errors;
}
