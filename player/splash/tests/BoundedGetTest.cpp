// The limits every web request of the player has, against a web server on
// loopback.

#include "splash/BoundedGet.h"
#include "ScriptedHttpServer.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>

#include <memory>

// Each byte comes well within the time-out of silence, so only a limit on
// the whole transfer ends the request before the server does (after 20 s).
TEST(BoundedGetTest, AnAnswerTricklingInIsCutAtItsDeadline)
{
    ScriptedHttpServer server;
    ASSERT_TRUE(server.listen());
    server.answerSlowly("/slow", QByteArray(100, 'x'), 200);
    QNetworkAccessManager manager;
    std::unique_ptr<QNetworkReply> reply(BoundedGet::get(manager, QUrl(server.url(QStringLiteral("/slow"))),
                                                         BoundedGet::kPageBytes, 1000, 1500));

    QDeadlineTimer wait(10000);
    while (!reply->isFinished() && !wait.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    ASSERT_TRUE(reply->isFinished());
    EXPECT_EQ(reply->error(), QNetworkReply::OperationCanceledError);
    EXPECT_FALSE(BoundedGet::body(reply.get()));
}
