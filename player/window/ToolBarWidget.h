#pragma once

#include <QNetworkAccessManager>
#include <QWidget>

class QBoxLayout;
class QNetworkReply;
class RecordButton;
class TIconButton;
class TSwitch;

// The strip of 48 x 48 buttons beside the guest display: feature buttons
// that only emit signals for the main window, the key-mapping engine switch,
// and the Android navigation keys, which go straight to the guest's virtual
// input service. Runs left to right along the bottom of the window, or top
// to bottom along its right edge while the guest is rotated.
//
// Every button and the switch carry an object name ("screenButton",
// "recordButton", "locButton", "shakeButton", "keyboardButton",
// "engineSwitch", "settingsButton", "helpButton", "backButton", "homeButton",
// "recentsButton").
class ToolBarWidget : public QWidget
{
    Q_OBJECT

public:
    explicit ToolBarWidget(QWidget *parent = nullptr);
    ~ToolBarWidget() override;

    // true: left to right; false: top to bottom, with the switch turned
    // across the bar.
    void setLayoutHorizontal(bool h);

signals:
    void onScreenCapture();
    void onShake();
    void onRecord();
    void onEngineSwitchValueChanged(bool on);
    void onShowEngine();
    // The Loc and Settings buttons, after the location picker or the
    // settings dialog was opened.
    void onShowLocationPicker();
    void onShowSettings();
    // A notice for the main window's tips: a feature the bar opens cannot be had.
    void onNotice(QString text);

public slots:
    void onSetEngineEnable(bool isOn);
    void showEngine();
    void recording(bool on);
    void shake();
    void record();
    void screenCapture();
    void onHomeReleased();
    void onBackReleased();
    void onRecentsReleased();
    void showSettings();
    void helpViaQQ();
    void networkRequestFinished(QNetworkReply *reply);
    void onHomePressed();
    void onBackPressed();
    void onRecentsPressed();
    void onLocClicked();
    void engineSwitchValueChanged(bool on);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void applyStyleSheet();
    void buildLayout();
    QBoxLayout *boxLayout() const;
    // Dialogs open over the player window, also while the bar floats over
    // a full screen (window managers that place windows, and those that
    // do not alike).
    void placeOverPlayerWindow(QWidget *dialog) const;

    bool horizontal = true;
    TIconButton *m_screenButton = nullptr;
    TIconButton *m_locButton = nullptr;
    TIconButton *m_shakeButton = nullptr;
    TIconButton *m_keyboardButton = nullptr;
    RecordButton *m_recordButton = nullptr;
    TIconButton *m_settingsButton = nullptr;
    TIconButton *m_helpButton = nullptr;
    TSwitch *m_engineSwitch = nullptr;
    TIconButton *m_backButton = nullptr;
    TIconButton *m_homeButton = nullptr;
    TIconButton *m_recentsButton = nullptr;
    QNetworkAccessManager m_networkManager;
};
