#include "window/MapDialog.h"

#include "settings/SettingsDefaults.h"
#include "settings/SettingsKeys.h"
#include "window/MapBridge.h"
#include "window/MapPage.h"

#include <service/gps.h>

#include <QDebug>
#include <QWebChannel>
#include <QWebEngineView>

#include <optional>

namespace {

constexpr int kTitleBarHeight = 36;
constexpr int kMargin = 4;

std::optional<double> storedCoordinate(const SettingsStore &store, const char *key)
{
    bool ok = false;
    const double value = store.stringValue(QString::fromLatin1(key)).toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

} // namespace

// The page and the map library are compiled into this static library; its
// resource is registered by hand, as for any static library (outside any
// namespace, as the resource's initialiser is).
static void registerMapResource()
{
    Q_INIT_RESOURCE(map_page);
}

MapDialog::MapDialog(QWidget *parent, const QString &instance)
    : TWindow(parent, false, false), m_settings(instance), m_channel(new QWebChannel(this))
{
    registerMapResource();
    setObjectName(QStringLiteral("locationPicker"));
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Choose Location"));
    setStyleSheet(QStringLiteral("MapDialog{background:#262626;}"));

    m_view = new QWebEngineView(this);
    m_view->setObjectName(QStringLiteral("mapView"));
    m_page = new MapPage(m_channel, m_view);
    m_view->setPage(m_page);
    connect(m_page, &QWebEnginePage::featurePermissionRequested, this, &MapDialog::webPermission);
    addToJavaScript();
    m_view->setUrl(MapPage::kOwnPage);
    resize(kWidth, kHeight);
}

MapDialog::~MapDialog() = default;

void MapDialog::layoutChild()
{
    TWindow::layoutChild();
    if (m_view != nullptr)
        m_view->setGeometry(kMargin, kTitleBarHeight, width() - 2 * kMargin,
                            height() - kTitleBarHeight - kMargin);
}

// Published once: the view shows no other page than the player's own.
void MapDialog::addToJavaScript()
{
    MapBridge::Setup setup;
    const SettingsStore shared(QString::fromLatin1(SettingsStore::kSharedApplication));
    setup.tileUrl = shared.stringValue(QString::fromLatin1(SettingsKeys::kMapTileUrl),
                                       QString::fromLatin1(SettingsDefaults::kMapTileUrl));
    const std::optional<double> longitude =
        storedCoordinate(m_settings, SettingsKeys::kGpsLongitude);
    const std::optional<double> latitude = storedCoordinate(m_settings, SettingsKeys::kGpsLatitude);
    setup.hasSavedPosition = longitude && latitude;
    setup.longitude = longitude.value_or(0.0);
    setup.latitude = latitude.value_or(0.0);
    setup.tilesUnreachableText = tilesUnreachableText();
    auto *bridge = new MapBridge(setup, m_channel);
    connect(bridge, &MapBridge::clicked, this, &MapDialog::onClickedOnMap);
    m_channel->registerObject(QStringLiteral("tavenor"), bridge);
}

void MapDialog::webPermission(const QUrl &securityOrigin, QWebEnginePage::Feature feature)
{
    if (feature == QWebEnginePage::Geolocation)
        qDebug() << "geolocation permission requested";
    m_page->setFeaturePermission(securityOrigin, QWebEnginePage::Geolocation,
                                 QWebEnginePage::PermissionGrantedByUser);
}

void MapDialog::onClickedOnMap(float x, float y)
{
    gps_set_enable(1);
    gps_set_data(x, y, 1.0f, 1.0f, 1.0f);
    m_settings.setValue(QString::fromLatin1(SettingsKeys::kGpsLongitude),
                        QStringLiteral("%1").arg(double(x)));
    m_settings.setValue(QString::fromLatin1(SettingsKeys::kGpsLatitude),
                        QStringLiteral("%1").arg(double(y)));
    m_settings.sync();
}

QString MapDialog::tilesUnreachableText() const
{
    return tr("The map tiles cannot be reached. A click still picks the place under it.");
}
