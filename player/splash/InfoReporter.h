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

private:
    InfoReporter();

    QNetworkAccessManager *m_network;
    std::function<QString()> m_graphicsCardName;
};
