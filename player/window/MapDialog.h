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
// opens it, deleted when closed. It lives in the player's location picker
// module (MapPickerPlugin), with the web engine.
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

    // The picker of instance's location, saved in its store.
    MapDialog(QWidget *parent, const QString &instance);
    ~MapDialog() override;

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
