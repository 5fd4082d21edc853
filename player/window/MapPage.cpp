#include "window/MapPage.h"

#include <QDesktopServices>
#include <QWebChannel>
#include <QWebEngineSettings>

const QUrl MapPage::kOwnPage(QStringLiteral("qrc:/map/map.html"));

MapPage::MapPage(QWebChannel *channel, QObject *parent) : QWebEnginePage(parent)
{
    // The page is a local document; its tiles come from the tile server.
    settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    setWebChannel(channel);
}

bool MapPage::isOwnPage(const QUrl &url)
{
    return url.scheme() == kOwnPage.scheme() && url.host().isEmpty() &&
           url.path() == kOwnPage.path();
}

bool MapPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    if (isOwnPage(url))
        return true;
    if (isMainFrame && type == NavigationTypeLinkClicked)
        QDesktopServices::openUrl(url);
    return false;
}
