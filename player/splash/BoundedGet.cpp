#include "splash/BoundedGet.h"

#include <QDebug>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>
#include <QVariant>

namespace BoundedGet {

namespace {

constexpr char kMaxBytesProperty[] = "tavenorMaxBytes";

void dropTooLong(QNetworkReply *reply, qint64 bytes, qint64 maxBytes)
{
    qDebug() << "answer too long, dropped" << reply->url().toDisplayString() << bytes << "bytes, at most"
             << maxBytes;
}

} // namespace

QNetworkReply *get(QNetworkAccessManager &manager, const QUrl &url, qint64 maxBytes, int timeoutMs, int deadlineMs)
{
    QNetworkRequest request(url);
    // Qt's time-out starts again with every byte; the deadline does not.
    request.setTransferTimeout(timeoutMs);
    QNetworkReply *reply = manager.get(request);
    reply->setProperty(kMaxBytesProperty, maxBytes);
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [reply, maxBytes](qint64 received, qint64 total) {
        if (received <= maxBytes && total <= maxBytes)
            return;
        dropTooLong(reply, qMax(received, total), maxBytes);
        reply->abort();
    });
    QTimer::singleShot(deadlineMs, reply, [reply, deadlineMs] {
        if (!reply->isRunning())
            return;
        qDebug() << "answer too slow, dropped" << reply->url().toDisplayString() << "after" << deadlineMs << "ms";
        reply->abort();
    });
    return reply;
}

std::optional<QByteArray> body(QNetworkReply *reply)
{
    if (reply->error() != QNetworkReply::NoError)
        return std::nullopt;
    const qint64 maxBytes = reply->property(kMaxBytesProperty).toLongLong();
    QByteArray bytes = reply->read(maxBytes + 1);
    if (bytes.size() > maxBytes || reply->bytesAvailable() > 0) {
        dropTooLong(reply, bytes.size() + reply->bytesAvailable(), maxBytes);
        return std::nullopt;
    }
    return bytes;
}

} // namespace BoundedGet
