#include "WindowTestMain.h"

#include "settings/SettingsStore.h"
#include "window/HelpLink.h"
#include "window/ToolBarWidget.h"

#include <QDesktopServices>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrlQuery>

#include <memory>

namespace {

// A web server of a few lines on loopback: records the request target of
// every GET and answers each with the status line and body it was given.
class LoopbackHttpServer : public QObject
{
    Q_OBJECT

public:
    LoopbackHttpServer()
    {
        connect(&m_server, &QTcpServer::newConnection, this, &LoopbackHttpServer::accept);
    }

    bool listen() { return m_server.listen(QHostAddress::LocalHost, 0); }
    QString baseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort()); }

    void setAnswer(const QByteArray &status, const QByteArray &body)
    {
        m_status = status;
        m_body = body;
    }

    QList<QByteArray> targets;

private:
    void accept()
    {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            auto buffer = std::make_shared<QByteArray>();
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
                buffer->append(socket->readAll());
                if (!buffer->contains("\r\n\r\n"))
                    return;
                const QList<QByteArray> requestLine = buffer->left(buffer->indexOf("\r\n")).split(' ');
                targets.append(requestLine.value(0) + ' ' + requestLine.value(1));
                buffer->clear();
                socket->write("HTTP/1.1 " + m_status + "\r\nContent-Type: text/html\r\nContent-Length: " +
                              QByteArray::number(m_body.size()) + "\r\nConnection: close\r\n\r\n" + m_body);
                socket->disconnectFromHost();
            });
        }
    }

    QTcpServer m_server;
    QByteArray m_status = "200 OK";
    QByteArray m_body;
};

// Stands in for the messenger: the desktop hands it every "tencent" URL.
class MessengerSink : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl &url) { opened.append(url); }
};

} // namespace

class HelpLinkTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();

    void requestUrl_data();
    void requestUrl();

    void findMessengerLink_data();
    void findMessengerLink();

    void helpButtonAsksTheMessenger();
    void answerDecidesWhatOpens_data();
    void answerDecidesWhatOpens();
    void unusableBaseSendsNothing();

private:
    void setShared(const char *key, const QString &value);
    ToolBarWidget *newBar();

    SettingsStore m_shared{QString::fromLatin1(SettingsStore::kSharedApplication)};
    LoopbackHttpServer m_server;
    MessengerSink m_messenger;
    std::unique_ptr<ToolBarWidget> m_bar;
};

void HelpLinkTest::initTestCase()
{
    qRegisterMetaType<QNetworkReply *>();
    QVERIFY(m_server.listen());
    QDesktopServices::setUrlHandler(QStringLiteral("tencent"), &m_messenger, "open");
}

void HelpLinkTest::cleanupTestCase()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("tencent"));
}

void HelpLinkTest::cleanup()
{
    m_bar.reset();
    m_shared.remove(QLatin1String(HelpLink::kMessengerUrlKey));
    m_shared.remove(QLatin1String(HelpLink::kSupportAccountKey));
    m_server.targets.clear();
    m_messenger.opened.clear();
}

void HelpLinkTest::setShared(const char *key, const QString &value)
{
    m_shared.setValue(QLatin1String(key), value);
    m_shared.sync();
}

ToolBarWidget *HelpLinkTest::newBar()
{
    m_bar = std::make_unique<ToolBarWidget>();
    m_bar->show();
    return m_bar.get();
}

void HelpLinkTest::requestUrl_data()
{
    QTest::addColumn<QString>("base");    // null: nothing stored
    QTest::addColumn<QString>("account"); // null: nothing stored
    QTest::addColumn<QString>("expected"); // empty: no request

    QTest::newRow("built-in") << QString() << QString()
                              << "https://messenger.corvane.example/msgrd?V=1&uin=800000000";
    QTest::newRow("stored base and account") << "http://127.0.0.1:8080" << "24680"
                                             << "http://127.0.0.1:8080/msgrd?V=1&uin=24680";
    QTest::newRow("base with a path") << "https://chat.example/help/" << QString()
                                      << "https://chat.example/help/msgrd?V=1&uin=800000000";
    QTest::newRow("base with its own query") << "https://chat.example/?x=1" << "7"
                                             << "https://chat.example/msgrd?V=1&uin=7";
    QTest::newRow("account with delimiters") << "http://h.example" << "1&x=2 #3"
                                             << "http://h.example/msgrd?V=1&uin=1%26x%3D2%20%233";
    QTest::newRow("relative base") << "/msgrd" << QString() << QString();
    QTest::newRow("not a URL") << "http://exa mple" << QString() << QString();
    QTest::newRow("empty base") << "" << QString() << QString();
}

void HelpLinkTest::requestUrl()
{
    QFETCH(QString, base);
    QFETCH(QString, account);
    QFETCH(QString, expected);
    if (!base.isNull())
        setShared(HelpLink::kMessengerUrlKey, base);
    if (!account.isNull())
        setShared(HelpLink::kSupportAccountKey, account);

    const QUrl url = HelpLink::requestUrl();
    if (expected.isEmpty()) {
        QVERIFY2(!url.isValid(), qPrintable(url.toString()));
        return;
    }
    QCOMPARE(url.toString(QUrl::FullyEncoded), expected);
}

void HelpLinkTest::findMessengerLink_data()
{
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QString>("link");

    QTest::newRow("in an attribute")
        << QByteArray("<a href=\"tencent://message/?uin=24680&Site=help\">chat</a>")
        << "tencent://message/?uin=24680&Site=help";
    QTest::newRow("ends at white space") << QByteArray("go tencent://message/?uin=1\tthen")
                                         << "tencent://message/?uin=1";
    QTest::newRow("ends at a line end") << QByteArray("tencent://a\r\nb") << "tencent://a";
    QTest::newRow("first of two") << QByteArray("tencent://first tencent://second") << "tencent://first";
    QTest::newRow("single quote belongs to it") << QByteArray("'tencent://x'y") << "tencent://x'y";
    QTest::newRow("bare scheme") << QByteArray("\"tencent://\"") << "tencent://";
    QTest::newRow("case matters") << QByteArray("TENCENT://message/?uin=1 Tencent://x") << QString();
    QTest::newRow("other schemes") << QByteArray("http://tencent.example/ tencent:/x") << QString();
    QTest::newRow("empty page") << QByteArray() << QString();
}

void HelpLinkTest::findMessengerLink()
{
    QFETCH(QByteArray, page);
    QFETCH(QString, link);
    QCOMPARE(HelpLink::findMessengerLink(page), link);
}

void HelpLinkTest::helpButtonAsksTheMessenger()
{
    setShared(HelpLink::kMessengerUrlKey, m_server.baseUrl());
    setShared(HelpLink::kSupportAccountKey, QStringLiteral("24680"));
    m_server.setAnswer("200 OK", "<html></html>");
    ToolBarWidget *bar = newBar();
    QSignalSpy finished(bar->findChild<QNetworkAccessManager *>(QStringLiteral("helpNetworkManager")),
                        &QNetworkAccessManager::finished);

    QTest::mouseClick(bar->findChild<QWidget *>(QStringLiteral("helpButton")), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);

    QCOMPARE(m_server.targets.size(), 1);
    const QList<QByteArray> target = m_server.targets.first().split(' ');
    QCOMPARE(target.value(0), QByteArray("GET"));
    const QUrl url(QString::fromLatin1(target.value(1)));
    QCOMPARE(url.path(), QStringLiteral("/msgrd"));
    const QList<QPair<QString, QString>> items = QUrlQuery(url).queryItems();
    const QList<QPair<QString, QString>> expected = {{QStringLiteral("V"), QStringLiteral("1")},
                                                     {QStringLiteral("uin"), QStringLiteral("24680")}};
    QCOMPARE(items, expected);
}

void HelpLinkTest::answerDecidesWhatOpens_data()
{
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("opened"); // empty: nothing

    QTest::newRow("chat link") << QByteArray("200 OK")
                               << QByteArray("<script>location=\"tencent://message/?uin=24680&Site=x\";</script>")
                               << "tencent://message/?uin=24680&Site=x";
    QTest::newRow("no link") << QByteArray("200 OK") << QByteArray("<html>busy</html>") << QString();
    QTest::newRow("empty body") << QByteArray("200 OK") << QByteArray() << QString();
    QTest::newRow("error page with a link") << QByteArray("404 Not Found")
                                            << QByteArray("see tencent://message/?uin=1") << QString();
}

void HelpLinkTest::answerDecidesWhatOpens()
{
    QFETCH(QByteArray, status);
    QFETCH(QByteArray, body);
    QFETCH(QString, opened);
    setShared(HelpLink::kMessengerUrlKey, m_server.baseUrl());
    m_server.setAnswer(status, body);
    ToolBarWidget *bar = newBar();
    // The bar's own slot was connected first, so it has run when the spy sees the reply.
    QSignalSpy finished(bar->findChild<QNetworkAccessManager *>(QStringLiteral("helpNetworkManager")),
                        &QNetworkAccessManager::finished);

    bar->helpViaQQ();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);

    if (opened.isEmpty()) {
        QCOMPARE(m_messenger.opened.size(), 0);
        return;
    }
    QCOMPARE(m_messenger.opened.size(), 1);
    QCOMPARE(m_messenger.opened.first(), QUrl(opened));
}

// An unusable base sends no request at all: the next good one is the first
// and only reply the bar's network manager sees.
void HelpLinkTest::unusableBaseSendsNothing()
{
    setShared(HelpLink::kMessengerUrlKey, QStringLiteral("no scheme or host"));
    m_server.setAnswer("200 OK", "tencent://message/?uin=1");
    ToolBarWidget *bar = newBar();
    QList<QUrl> replies;
    connect(bar->findChild<QNetworkAccessManager *>(QStringLiteral("helpNetworkManager")),
            &QNetworkAccessManager::finished, this, [&replies](QNetworkReply *reply) { replies << reply->url(); });

    bar->helpViaQQ();
    setShared(HelpLink::kMessengerUrlKey, m_server.baseUrl());
    bar->helpViaQQ();
    QTRY_COMPARE_WITH_TIMEOUT(replies.size(), 1, 10000);

    QCOMPARE(replies.first(), HelpLink::requestUrl());
    QCOMPARE(m_server.targets.size(), 1);
    QCOMPARE(m_messenger.opened.size(), 1);
}

WINDOW_OFFSCREEN_TEST_MAIN(HelpLinkTest)
#include "HelpLinkTest.moc"
