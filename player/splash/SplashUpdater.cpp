#include "splash/SplashUpdater.h"

#include "app/ChannelId.h"
#include "app/Paths.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "splash/BoundedGet.h"
#include "splash/VendorServiceUrl.h"
#include "splash/WebQuery.h"

#include <OSUtils.h>

#include <QColor>
#include <QCoreApplication>
#include <QDebug>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSaveFile>
#include <QTextCodec>

namespace {

bool isUtf8(const QByteArray &body)
{
    QTextCodec::ConverterState state;
    QTextCodec::codecForName("UTF-8")->toUnicode(body.constData(), body.size(), &state);
    return state.invalidChars == 0 && state.remainingChars == 0;
}

bool isValid(const QByteArray &body, SplashUpdater::Kind kind)
{
    if (body.isEmpty())
        return false;
    if (kind == SplashUpdater::Kind::Text)
        return isUtf8(body);
    return !QImage::fromData(body).isNull();
}

// The answer's URL under key, parsed tolerantly ("host/path" is taken as
// http); empty when absent, not a string, invalid or not a web URL.
QUrl downloadUrl(const QJsonObject &answer, const char *key)
{
    const QString text = answer.value(QLatin1String(key)).toString();
    if (text.isEmpty())
        return {};
    const QUrl url = QUrl::fromUserInput(text);
    if (!url.isValid())
        return {};
    const QString scheme = url.scheme();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https")) {
        qDebug() << "splash download refused, not a web url" << url.toDisplayString();
        return {};
    }
    return url;
}
} // namespace

SplashUpdater::SplashUpdater(QObject *parent)
    : QObject(parent)
    , m_network(new QNetworkAccessManager(this))
{
    connect(m_network, &QNetworkAccessManager::finished, this, &SplashUpdater::serviceRequestFinished);
}

QUrl SplashUpdater::serviceRequestUrl()
{
    QUrl url = vendorServiceUrl(QStringLiteral("/api/client/splash"));
    if (!url.isValid())
        return url;
    QList<QPair<QString, QString>> items = {
        {QStringLiteral("appVer"), OSUtils::getFileVersion(QCoreApplication::applicationFilePath())},
        {QStringLiteral("channelId"), channelId()},
    };
    const QString version =
        SettingsStore(QString::fromLatin1(SettingsStore::kSharedApplication))
            .stringValue(QString::fromLatin1(SettingsKeys::kSplashVersion));
    if (!version.isEmpty())
        items.append({QStringLiteral("splashVersion"), version});
    url.setQuery(encodedQuery(items), QUrl::StrictMode);
    return url;
}

void SplashUpdater::requestSplash()
{
    const QUrl url = serviceRequestUrl();
    if (!url.isValid()) {
        qDebug() << "splash request skipped, invalid service url";
        return;
    }
    m_serviceReply = BoundedGet::get(*m_network, url, BoundedGet::kPageBytes);
}

void SplashUpdater::serviceRequestFinished(QNetworkReply *reply)
{
    reply->deleteLater();
    const std::optional<QByteArray> body = BoundedGet::body(reply);
    if (!body) {
        qDebug() << "splash request failed" << reply->url().toDisplayString() << reply->errorString();
        return;
    }
    if (reply == m_serviceReply) {
        handleServiceAnswer(parseServiceAnswer(*body));
        return;
    }
    storeDownload(reply, *body);
}

SplashUpdater::ServiceAnswer SplashUpdater::parseServiceAnswer(const QByteArray &body)
{
    const QJsonObject object = QJsonDocument::fromJson(body).object();
    ServiceAnswer answer;
    const QJsonValue hasUpdate = object.value(QLatin1String("hasUpdate"));
    if (!hasUpdate.isBool() || !hasUpdate.toBool())
        return answer;
    answer.hasUpdate = true;
    answer.background = downloadUrl(object, "splashBgUrl");
    answer.foreground = downloadUrl(object, "splashFgUrl");
    answer.helpFile = downloadUrl(object, "helpFileUrl");
    const QString color = object.value(QLatin1String("helpTextColor")).toString();
    if (QColor::isValidColor(color))
        answer.helpTextColor = color;
    if (object.contains(QLatin1String("splashBgStrech")))
        answer.stretch = object.value(QLatin1String("splashBgStrech")).toBool(false);
    if (object.contains(QLatin1String("splashVersion")))
        answer.splashVersion = object.value(QLatin1String("splashVersion")).toString();
    return answer;
}

void SplashUpdater::handleServiceAnswer(const ServiceAnswer &answer)
{
    if (!answer.hasUpdate)
        return;
    // An answer that names no file leaves a download of an earlier answer
    // to land; a new URL takes the place of the earlier download.
    replaceDownload(m_backgroundReply, answer.background);
    replaceDownload(m_foregroundReply, answer.foreground);
    replaceDownload(m_helpFileReply, answer.helpFile);

    SettingsStore shared(QString::fromLatin1(SettingsStore::kSharedApplication));
    if (!answer.helpTextColor.isEmpty())
        shared.setValue(QString::fromLatin1(SettingsKeys::kHelpTextColor), answer.helpTextColor);
    if (answer.stretch)
        shared.setValue(QString::fromLatin1(SettingsKeys::kSplashBgStrech), *answer.stretch);
    if (answer.splashVersion)
        shared.setValue(QString::fromLatin1(SettingsKeys::kSplashVersion), *answer.splashVersion);
    shared.sync();
}

void SplashUpdater::replaceDownload(QPointer<QNetworkReply> &download, const QUrl &url)
{
    if (url.isEmpty() || (download && download->url() == url))
        return;
    // The newer answer names the file to keep: the older download would run
    // to its end only to be thrown away.
    if (download)
        download->abort();
    download = BoundedGet::get(*m_network, url, BoundedGet::kFileBytes);
}

void SplashUpdater::storeDownload(QNetworkReply *reply, const QByteArray &body)
{
    const QString folder = vmFolder();
    QString path;
    Kind kind = Kind::Picture;
    if (reply == m_backgroundReply) {
        path = folder + QStringLiteral("/splash_bg.png");
    } else if (reply == m_foregroundReply) {
        path = folder + QStringLiteral("/splash_fg.png");
    } else if (reply == m_helpFileReply) {
        path = folder + QStringLiteral("/splashHelps.txt");
        kind = Kind::Text;
    } else {
        return;
    }
    if (!replaceFile(path, body, kind))
        qDebug() << "splash download not stored" << reply->url().toDisplayString() << path;
}

bool SplashUpdater::replaceFile(const QString &path, const QByteArray &body, Kind kind)
{
    if (!isValid(body, kind))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(body) != body.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
