#pragma once

#include <QUrl>
#include <QWebEnginePage>

class QWebChannel;

// The location picker's web page. It shows the player's own map page and
// nothing else, so that the bridge published on its channel is never seen
// by another origin's script: every navigation elsewhere, of the page or of
// a frame in it, is refused, and a link the user clicks (the map's
// attribution) opens in the desktop's browser instead.
class MapPage : public QWebEnginePage
{
    Q_OBJECT

public:
    static const QUrl kOwnPage;

    MapPage(QWebChannel *channel, QObject *parent);

    static bool isOwnPage(const QUrl &url);

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
};
