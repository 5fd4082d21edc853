#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

// Asks the vendor's web service for newer splash resources once the guest
// shows; when there are, it stores the help-text colour, the stretch flag
// and the resource version in the shared store and downloads the two
// pictures and the help file into the VM folder, for the next start's
// splash. GUI thread only.
//
// A download replaces the old file only when it is complete and is what it
// claims to be (a picture that loads, a text that decodes as UTF-8): it is
// written to a temporary file beside the old one and renamed over it.
class SplashUpdater : public QObject
{
    Q_OBJECT

public:
    explicit SplashUpdater(QObject *parent = nullptr);

    void requestSplash();

    // The service request's URL: "/api/client/splash" with appVer,
    // channelId and (when one is stored) splashVersion.
    static QUrl serviceRequestUrl();

    enum class Kind { Picture, Text };
    // Writes `body` to `path` through a temporary file when it is a valid
    // `kind`; false (and the old file kept) otherwise.
    static bool replaceFile(const QString &path, const QByteArray &body, Kind kind);

    // What the service's answer asks for. Nothing when it announces no
    // update; a download only from a web (http, https) URL, never from a
    // local file or another scheme the network layer would also fetch.
    struct ServiceAnswer
    {
        bool hasUpdate = false;
        QUrl background; // empty when none
        QUrl foreground;
        QUrl helpFile;
        QString helpTextColor; // empty unless a valid colour name
        std::optional<bool> stretch;
        std::optional<QString> splashVersion;
    };
    static ServiceAnswer parseServiceAnswer(const QByteArray &body);

public slots:
    void serviceRequestFinished(QNetworkReply *reply);

private:
    void handleServiceAnswer(const ServiceAnswer &answer);
    void replaceDownload(QPointer<QNetworkReply> &download, const QUrl &url);
    void storeDownload(QNetworkReply *reply, const QByteArray &body);

    QNetworkAccessManager *m_network;
    QPointer<QNetworkReply> m_serviceReply;
    QPointer<QNetworkReply> m_backgroundReply;
    QPointer<QNetworkReply> m_foregroundReply;
    QPointer<QNetworkReply> m_helpFileReply;
};
