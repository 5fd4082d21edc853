#pragma once

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QStackedWidget;
class QWidget;
class ShordCutEdit;
class TTitleBar;

// The settings dialog's widgets, built into the dialog with the object
// names the style sheet and the tests address. Texts are translated in the
// context "SettingsDialog".
struct SettingsForm
{
    void setupUi(QWidget *dialog);

    TTitleBar *title = nullptr;
    QListWidget *menu = nullptr;
    QStackedWidget *tabs = nullptr;

    QComboBox *performace = nullptr;
    QLineEdit *cpu = nullptr;
    QLineEdit *memory = nullptr;
    QComboBox *graphics = nullptr;
    QLineEdit *width = nullptr;
    QLineEdit *height = nullptr;
    QLineEdit *dpi = nullptr;

    QLineEdit *brand = nullptr;
    QLineEdit *model = nullptr;
    QLineEdit *number = nullptr;
    QLineEdit *imei = nullptr;
    QPushButton *generateImeiButton = nullptr;

    QLineEdit *sharedFolder = nullptr;
    QPushButton *sharedFolerButton = nullptr;
    QLineEdit *screencap = nullptr;
    QPushButton *screencapButton = nullptr;
    QLineEdit *record = nullptr;
    QPushButton *recordButton = nullptr;

    ShordCutEdit *bossKey = nullptr;
    // Shown when the desktop does not offer global shortcuts to the player.
    QLabel *bossKeyNote = nullptr;

    QLabel *currentVersion = nullptr;

    QPushButton *restore = nullptr;
    QPushButton *save = nullptr;

private:
    QWidget *performancePage();
    QWidget *propertyPage();
    QWidget *savePathPage();
    QWidget *othersPage();
    QWidget *aboutPage();
};
