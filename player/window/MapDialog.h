#pragma once

#include "settings/SettingsStore.h"

#include <TWindow.h>

#include <QUrl>
#include <QWebEnginePage>

class MapPage;
class QWebChannel;
class QWebEngineView;

// The location picker: a map page in an embedded browser, below the title
// bar. A click on the map sends the place to the guest's GPS at once and
// saves it in the instance store, so that the next start begins there; the
// dialog stays open for further clicks. Window-modal to the window that
// opens it, deleted when closed.
//
// The page is the player's own (a built-in resource with the map library)
// and the only one the view shows (MapPage). It reaches the player through
// the bridge "tavenor" (MapBridge); its tiles come from the tile server in
// the shared store (key "map_tile_url"); without them the page says so and
// clicks still work.
class MapDialog : public TWindow
{
    Q_OBJECT

public:
    static constexpr int kWidth = 500;
    static constexpr int kHeight = 320;

    explicit MapDialog(QWidget *parent);
    ~MapDialog() override;

    // A new picker for parent, shown without blocking.
    static MapDialog *open(QWidget *parent);
    // Each click of the Loc button of the window's tool bar opens a new
    // picker over the tool bar.
    static void attachTo(QWidget *mainWindow);

    void layoutChild() override;

    QString tilesUnreachableText() const;

public slots:
    void webPermission(const QUrl &securityOrigin, QWebEnginePage::Feature feature);
    void addToJavaScript();
    void onClickedOnMap(float x, float y);

private:
    SettingsStore m_settings;
    QWebChannel *m_channel;
    MapPage *m_page = nullptr;
    QWebEngineView *m_view = nullptr;
};
