#include "LogCheck.h"

#include <QRegularExpression>

namespace {

// Reports of ASan, LSan, UBSan and TSan, whatever their wording.
const QRegularExpression kSanitizer(QStringLiteral("Sanitizer|runtime error:"));
const QRegularExpression kErrorWord(QStringLiteral("error|failed"), QRegularExpression::CaseInsensitiveOption);

// Lines that name an error without being one of the player's.
const QList<QRegularExpression> kBenign = {
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
