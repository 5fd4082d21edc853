#include "window/ToolBarWidget.h"

#include "app/InstanceName.h"
#include "settings/SettingsDialog.h"
#include "splash/BoundedGet.h"
#include "window/HelpLink.h"
#include "window/LocationPickerFactory.h"
#include "window/LocationPickerModule.h"
#include "window/RecordButton.h"

#include <TIconButton.h>
#include <TSwitch.h>
#include <loadIconWithMode.h>
#include <nativeSetToolTip.h>

#include <service/vinput.h>

#include <QBoxLayout>
#include <QDesktopServices>
#include <QNetworkReply>
#include <QPainter>
#include <QStyleOption>

namespace {

constexpr int kButtonSize = 48;

// Linux input key codes of the Android navigation keys.
constexpr int kBackKey = 158;
constexpr int kHomeKey = 172;
constexpr int kRecentsKey = 254;
constexpr int kKeyDown = 0;
constexpr int kKeyUp = 1;

void sendKey(int code, int action)
{
    vinput_inject_key(code, action, 0);
}

// Sizes, names and dresses a button made without a parent; the layout
// adopts it later.
template <typename Button> Button *makeButton(const char *objectName, const char *iconBase)
{
    const QSize size(kButtonSize, kButtonSize);
    auto *button = new Button(nullptr, size);
    button->setObjectName(QLatin1String(objectName));
    button->resize(size);
    button->setMinimumSize(size);
    button->setIcon(loadIconWithMode(QLatin1String(iconBase), size));
    return button;
}

} // namespace

ToolBarWidget::ToolBarWidget(QWidget *parent)
    : QWidget(parent)
    // Parented as well as held, so that it moves with the bar and tests can
    // find it; a member child leaves its parent before the parent's own
    // destructor runs.
    , m_networkManager(this)
{
    m_networkManager.setObjectName(QStringLiteral("helpNetworkManager"));
    applyStyleSheet();

    m_screenButton = makeButton<TIconButton>("screenButton", ":/resources/image/screencap_button");
    nativeSetToolTip(m_screenButton, tr("Screen"));
    m_locButton = makeButton<TIconButton>("locButton", ":/resources/image/loc_button");
    nativeSetToolTip(m_locButton, tr("Loc"));
    m_shakeButton = makeButton<TIconButton>("shakeButton", ":/resources/image/shake_button");
    nativeSetToolTip(m_shakeButton, tr("Shake"));
    m_keyboardButton = makeButton<TIconButton>("keyboardButton", ":/resources/image/engine_button");
    nativeSetToolTip(m_keyboardButton, tr("Keyboard"));
    m_recordButton = makeButton<RecordButton>("recordButton", ":/resources/image/record");
    nativeSetToolTip(m_recordButton, tr("Record"));
    m_backButton = makeButton<TIconButton>("backButton", ":/resources/image/back_button");
    m_homeButton = makeButton<TIconButton>("homeButton", ":/resources/image/home_button");
    m_recentsButton = makeButton<TIconButton>("recentsButton", ":/resources/image/recents_button");
    m_settingsButton = makeButton<TIconButton>("settingsButton", ":/resources/image/settings_button");
    nativeSetToolTip(m_settingsButton, tr("Settings"));
    m_helpButton = makeButton<TIconButton>("helpButton", ":/resources/image/help_button");
    nativeSetToolTip(m_helpButton, tr("Help via QQ"));
    m_engineSwitch = new TSwitch(nullptr);
    m_engineSwitch->setObjectName(QStringLiteral("engineSwitch"));
    m_engineSwitch->resize(kButtonSize, kButtonSize);
    m_engineSwitch->setMinimumSize(kButtonSize, kButtonSize);
    nativeSetToolTip(m_engineSwitch, tr("Engine"));

    connect(m_screenButton, &TIconButton::clicked, this, &ToolBarWidget::screenCapture);
    connect(m_shakeButton, &TIconButton::clicked, this, &ToolBarWidget::shake);
    connect(m_locButton, &TIconButton::clicked, this, &ToolBarWidget::onLocClicked);
    connect(m_homeButton, &TIconButton::pressed, this, &ToolBarWidget::onHomePressed);
    connect(m_backButton, &TIconButton::pressed, this, &ToolBarWidget::onBackPressed);
    connect(m_recentsButton, &TIconButton::pressed, this, &ToolBarWidget::onRecentsPressed);
    connect(m_homeButton, &TIconButton::released, this, &ToolBarWidget::onHomeReleased);
    connect(m_backButton, &TIconButton::released, this, &ToolBarWidget::onBackReleased);
    connect(m_recentsButton, &TIconButton::released, this, &ToolBarWidget::onRecentsReleased);
    connect(m_recordButton, &TIconButton::clicked, this, &ToolBarWidget::record);
    connect(m_engineSwitch, &TSwitch::onValueChanged, this, &ToolBarWidget::engineSwitchValueChanged);
    connect(m_keyboardButton, &TIconButton::clicked, this, &ToolBarWidget::showEngine);
    connect(m_settingsButton, &TIconButton::clicked, this, &ToolBarWidget::showSettings);
    connect(m_helpButton, &TIconButton::clicked, this, &ToolBarWidget::helpViaQQ);
    connect(&m_networkManager, &QNetworkAccessManager::finished, this, &ToolBarWidget::networkRequestFinished);

    buildLayout();
}

// A navigation key held at this point must still go up in the guest. Hidden
// buttons release what they hold, and they must do it now, while the bar is
// whole: a release from the QWidget destructor would reach a slot of a bar
// that no longer exists.
ToolBarWidget::~ToolBarWidget()
{
    hide();
}

void ToolBarWidget::setLayoutHorizontal(bool h)
{
    if (h == horizontal)
        return;
    horizontal = h;
    applyStyleSheet();
    m_engineSwitch->setHorizontal(!h);
    boxLayout()->setDirection(h ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom);
}

void ToolBarWidget::onSetEngineEnable(bool isOn)
{
    m_engineSwitch->setValue(isOn);
}

void ToolBarWidget::showEngine()
{
    emit onShowEngine();
}

void ToolBarWidget::recording(bool on)
{
    m_recordButton->setRecording(on);
}

void ToolBarWidget::shake()
{
    emit onShake();
}

void ToolBarWidget::record()
{
    emit onRecord();
}

void ToolBarWidget::screenCapture()
{
    emit onScreenCapture();
}

void ToolBarWidget::onHomeReleased()
{
    sendKey(kHomeKey, kKeyUp);
}

void ToolBarWidget::onBackReleased()
{
    sendKey(kBackKey, kKeyUp);
}

void ToolBarWidget::onRecentsReleased()
{
    sendKey(kRecentsKey, kKeyUp);
}

void ToolBarWidget::placeOverPlayerWindow(QWidget *dialog) const
{
    const QWidget *owner = parentWidget() != nullptr ? parentWidget()->window() : window();
    dialog->move(owner->frameGeometry().center() - dialog->rect().center());
}

void ToolBarWidget::showSettings()
{
    // The dialog loads the settings as it is built.
    auto *dialog = new SettingsDialog(this);
    placeOverPlayerWindow(dialog);
    dialog->show();
    emit onShowSettings();
}

void ToolBarWidget::helpViaQQ()
{
    const QUrl url = HelpLink::requestUrl();
    if (!url.isValid())
        return;
    BoundedGet::get(m_networkManager, url, BoundedGet::kPageBytes);
}

// Only a successful answer counts: an error page is not the messenger's
// page, whatever links it may carry.
void ToolBarWidget::networkRequestFinished(QNetworkReply *reply)
{
    reply->deleteLater();
    const std::optional<QByteArray> page = BoundedGet::body(reply);
    if (!page)
        return;
    const QString link = HelpLink::findMessengerLink(*page);
    if (link.isEmpty())
        return;
    QDesktopServices::openUrl(QUrl(link));
}

void ToolBarWidget::onHomePressed()
{
    sendKey(kHomeKey, kKeyDown);
}

void ToolBarWidget::onBackPressed()
{
    sendKey(kBackKey, kKeyDown);
}

void ToolBarWidget::onRecentsPressed()
{
    sendKey(kRecentsKey, kKeyDown);
}

// A new picker on each click. Its module is loaded by the first one; the
// rest of the bar works without it.
void ToolBarWidget::onLocClicked()
{
    LocationPickerFactory *pickers = LocationPickerModule::factory();
    if (pickers == nullptr) {
        emit onNotice(tr("The location picker is missing or damaged: reinstall the player to use it."));
        return;
    }
    QWidget *picker = pickers->create(this, instanceName());
    placeOverPlayerWindow(picker);
    picker->show();
    emit onShowLocationPicker();
}

void ToolBarWidget::engineSwitchValueChanged(bool on)
{
    emit onEngineSwitchValueChanged(on);
}

// A plain QWidget subclass draws no style sheet background by itself.
void ToolBarWidget::paintEvent(QPaintEvent *)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}

void ToolBarWidget::applyStyleSheet()
{
    setStyleSheet(QStringLiteral(".ToolBarWidget {background:#262626;}"));
}

void ToolBarWidget::buildLayout()
{
    delete layout();
    auto *box = new QBoxLayout(horizontal ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom, this);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(1);
    box->addWidget(m_screenButton, 0, Qt::AlignHCenter);
    box->addWidget(m_recordButton);
    box->addWidget(m_locButton, 0, Qt::AlignHCenter);
    box->addWidget(m_shakeButton, 0, Qt::AlignHCenter);
    box->addWidget(m_keyboardButton, 0, Qt::AlignHCenter);
    box->addWidget(m_engineSwitch);
    box->addWidget(m_settingsButton, 0, Qt::AlignHCenter);
    box->addWidget(m_helpButton, 0, Qt::AlignHCenter);
    box->addStretch();
    box->addWidget(m_backButton, 0, Qt::AlignHCenter);
    box->addWidget(m_homeButton, 0, Qt::AlignHCenter);
    box->addWidget(m_recentsButton, 0, Qt::AlignHCenter);
}

QBoxLayout *ToolBarWidget::boxLayout() const
{
    return static_cast<QBoxLayout *>(layout());
}
