#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QNetworkAccessManager;

// Tells the vendor's web service which host the player runs on and whether
// it is running: one HTTP GET of "/api/client/inforeport" on the base URL of
// the shared store's "service_url". The answer is not used. GUI thread only.
class InfoReporter : public QObject
{
    Q_OBJECT

public:
    // The one reporter, created on the first call and never destroyed.
    static InfoReporter *instance();

    // Gathers the host's values and sends the report; returns at once (the
    // request leaves once the event loop runs). The graphics card's name is
    // asked for only with withGraphicsCard, and sent only when not empty.
    void report(bool running, bool withGraphicsCard);

    // Where the graphics card's name comes from (the GL renderer binding).
    // Without a source no name is sent.
    void setGraphicsCardSource(std::function<QString()> graphicsCardName);

    // Runs an event loop until every report sent so far has its answer, or
    // timeoutMs passed: the reports of a process about to end (a refused
    // second instance, a closed player) would otherwise never leave.
    // True when none is left pending.
    bool waitForReplies(int timeoutMs = kExitWaitMs);

    static constexpr int kExitWaitMs = 2000;

signals:
    // No report is waiting for its answer any more.
    void allAnswered();

private:
    InfoReporter();

    QNetworkAccessManager *m_network;
    int m_pending = 0;
    std::function<QString()> m_graphicsCardName;
};
