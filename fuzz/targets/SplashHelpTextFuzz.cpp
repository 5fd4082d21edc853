// A downloaded splash help file, read as the splash set-up reads it: at
// most the set number of lines, each a whole line of the file.

#include "DecoderFuzzing.h"

#include <splash/SplashSetup.h>

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly | QIODevice::Text);
    const QStringList lines = SplashSetup::helpTextsOf(buffer);
    fuzzing::check(lines.size() <= SplashSetup::kMaxHelpLines);
    fuzzing::check(lines.isEmpty() == bytes.isEmpty());
    for (const QString &line : lines)
        fuzzing::check(!line.contains(QLatin1Char('\n')) && line.size() <= bytes.size());
    return 0;
}
