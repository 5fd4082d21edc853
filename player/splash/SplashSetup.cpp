#include "splash/SplashSetup.h"

#include "app/Paths.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "splash/TSplashWidget.h"

#include <QColor>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace SplashSetup {

QString chooseFile(const QString &downloaded, const QString &builtIn)
{
    return QFileInfo::exists(downloaded) ? downloaded : builtIn;
}

QStringList readHelpTexts(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return helpTextsOf(file);
}

QStringList helpTextsOf(QIODevice &device)
{
    QTextStream stream(&device);
    stream.setCodec("UTF-8");
    QStringList lines;
    while (lines.size() < kMaxHelpLines && !stream.atEnd())
        lines.append(stream.readLine());
    return lines;
}

void setUp(TSplashWidget &splash)
{
    const QString folder = vmFolder();
    const QString background =
        chooseFile(folder + QStringLiteral("/splash_bg.png"), QStringLiteral(":/resources/image/splash_bg.png"));
    const QString foreground =
        chooseFile(folder + QStringLiteral("/splash_fg.png"), QStringLiteral(":/resources/image/splash_fg.png"));

    const SettingsStore shared(QString::fromLatin1(SettingsStore::kSharedApplication));
    const bool stretch = shared.value(QString::fromLatin1(SettingsKeys::kSplashBgStrech), false).toBool();
    const QString color = shared.stringValue(QString::fromLatin1(SettingsKeys::kHelpTextColor));

    splash.setBackgroundImage(background, stretch);
    splash.setSplashImages(QString(), foreground);
    splash.startProgress(kProgressMs, kProgressTarget);

    const QString helps = chooseFile(folder + QStringLiteral("/splashHelps.txt"),
                                     QStringLiteral(":/resources/text/splashHelps.txt"));
    splash.setHelpTexts(readHelpTexts(helps), kHelpIntervalMs);
    if (QColor::isValidColor(color))
        splash.setHelpTextColor(QColor(color));
}

} // namespace SplashSetup
