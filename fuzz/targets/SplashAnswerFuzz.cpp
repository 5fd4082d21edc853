// The vendor service's splash answer (JSON). Whatever it holds, the player
// may only fetch web URLs and store a valid colour, and an answer without
// an update asks for nothing.

#include "DecoderFuzzing.h"

#include <splash/SplashUpdater.h>

#include <QColor>
#include <QtGlobal>

namespace {

void dropMessage(QtMsgType, const QMessageLogContext &, const QString &) {}

bool isWebOrNone(const QUrl &url)
{
    return url.isEmpty()
           || (url.isValid() && (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const bool quiet = (qInstallMessageHandler(dropMessage), true);
    (void)quiet;
    const SplashUpdater::ServiceAnswer answer =
        SplashUpdater::parseServiceAnswer(QByteArray(reinterpret_cast<const char *>(data), int(size)));
    if (!answer.hasUpdate) {
        fuzzing::check(answer.background.isEmpty() && answer.foreground.isEmpty()
                       && answer.helpFile.isEmpty() && answer.helpTextColor.isEmpty()
                       && !answer.stretch && !answer.splashVersion);
        return 0;
    }
    fuzzing::check(isWebOrNone(answer.background) && isWebOrNone(answer.foreground)
                   && isWebOrNone(answer.helpFile));
    fuzzing::check(answer.helpTextColor.isEmpty() || QColor(answer.helpTextColor).isValid());
    return 0;
}
