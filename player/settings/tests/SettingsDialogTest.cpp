// The settings dialog on the offscreen platform, against the real instance
// store; its message boxes are answered through the toolkit's answer queue.

#include "app/InstanceName.h"
#include "settings/PlayerRestart.h"
#include "settings/SettingsDialog.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "settings/ShordCutEdit.h"

#include <QxtGlobalShortcut.h>
#include <TMessageBox.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {

const QSize kDesktop(1920, 1080);
const QString kCpuMessage =
    QStringLiteral("CPU count should be Integer, greater than 0 and less than your computer counts?");
const QString kResolutionMessage = QStringLiteral("Resolution should smaller than your screen?");

SettingsStore store()
{
    return SettingsStore(instanceName());
}

} // namespace

class SettingsDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void checksAndStorageRanges_data();
    void checksAndStorageRanges();
    void presetSaveMovesThePreviousSizeToRecent();
    void lowPresetLeavesCpuAndMemoryAlone();
    void resolutionListIsPrunedToTheDesktop();
    void bareBossKeyPrefixKeepsTheStoredKey();
    void generateThenCloseKeepsTheImei();
    void restoreRemovesExactlyItsKeys();
    void leftButtonDragsTheWindow();
    void acceptedRestartStartsTheProgramWithTheInstanceName_data();
    void acceptedRestartStartsTheProgramWithTheInstanceName();
    // Last: what the desktop offers is known process-wide from then on.
    void bossKeyRowSaysWhenTheDesktopOffersNoShortcuts();

private:
    // Opens a dialog as the tool bar does; it deletes itself when closed.
    QPointer<SettingsDialog> open(QSize desktop = kDesktop);
    // Saves; the restart question is refused, other messages recorded.
    void saveRefusingRestart(SettingsDialog *dialog);

    QStringList m_messages;
};

void SettingsDialogTest::init()
{
    setInstanceName(QStringLiteral("tavenor"));
    SettingsStore settings = store();
    for (const QString &key : settings.allKeys())
        settings.remove(key);
    settings.sync();
    TMessageBox::clearAnswers();
    PlayerRestart::reset();
    m_messages.clear();
}

void SettingsDialogTest::cleanup()
{
    QCOMPARE(TMessageBox::queuedAnswers(), 0);
    TMessageBox::clearAnswers();
}

QPointer<SettingsDialog> SettingsDialogTest::open(QSize desktop)
{
    auto *dialog = new SettingsDialog(nullptr, desktop);
    dialog->load();
    dialog->show();
    return dialog;
}

void SettingsDialogTest::saveRefusingRestart(SettingsDialog *dialog)
{
    TMessageBox::queueAnswer([this](TMessageBox &box) {
        m_messages << box.text();
        return box.isQuestion() ? 0 : 1;
    });
    dialog->form().save->click();
    TMessageBox::clearAnswers();
}

void SettingsDialogTest::checksAndStorageRanges_data()
{
    QTest::addColumn<QString>("cpu");
    QTest::addColumn<QString>("width");
    QTest::addColumn<QString>("dpi");
    QTest::addColumn<QString>("message");  // empty: saved
    QTest::addColumn<QVariant>("storedDpi");
    QTest::addColumn<QVariant>("storedWidth");

    const QVariant none;
    QTest::newRow("cpu 5") << "5" << "1280" << "240" << kCpuMessage << none << none;
    QTest::newRow("cpu 0") << "0" << "1280" << "240" << kCpuMessage << none << none;
    QTest::newRow("cpu letters") << "two" << "1280" << "240" << kCpuMessage << none << none;
    QTest::newRow("dpi 100") << "2" << "1280" << "100" << kResolutionMessage << none << none;
    QTest::newRow("dpi 481") << "2" << "1280" << "481" << kResolutionMessage << none << none;
    QTest::newRow("width above desktop") << "2" << "1921" << "240" << kResolutionMessage << none << none;
    QTest::newRow("dpi 120 passes, not stored") << "2" << "1280" << "120" << QString() << none << QVariant(1280);
    QTest::newRow("dpi 121 stored") << "2" << "1280" << "121" << QString() << QVariant(121) << QVariant(1280);
    QTest::newRow("dpi 480 stored") << "4" << "1280" << "480" << QString() << QVariant(480) << QVariant(1280);
    QTest::newRow("width 500 passes, not stored") << "1" << "500" << "240" << QString() << QVariant(240) << none;
}

void SettingsDialogTest::checksAndStorageRanges()
{
    QFETCH(QString, cpu);
    QFETCH(QString, width);
    QFETCH(QString, dpi);
    QFETCH(QString, message);
    QFETCH(QVariant, storedDpi);
    QFETCH(QVariant, storedWidth);

    QPointer<SettingsDialog> dialog = open();
    QCOMPARE(dialog->form().performace->currentIndex(), 3);
    QCOMPARE(dialog->form().graphics->currentIndex(), 0);
    dialog->form().cpu->setText(cpu);
    dialog->form().width->setText(width);
    dialog->form().dpi->setText(dpi);
    saveRefusingRestart(dialog);

    if (!message.isEmpty()) {
        QCOMPARE(m_messages, QStringList{message});
        QVERIFY(dialog);
        QVERIFY(store().allKeys().isEmpty());
        delete dialog;
        return;
    }
    QCOMPARE(m_messages, QStringList{QStringLiteral("Reboot me to load new configuration?")});
    QCOMPARE(store().value(QStringLiteral("cpu")), QVariant(cpu.toInt()));
    QCOMPARE(store().value(QStringLiteral("graphics_dpi")), storedDpi);
    QCOMPARE(store().value(QStringLiteral("graphics_width")), storedWidth);
    QVERIFY(!PlayerRestart::pending());
    QTRY_VERIFY(dialog.isNull());
}

void SettingsDialogTest::presetSaveMovesThePreviousSizeToRecent()
{
    SettingsStore settings = store();
    settings.setValue(QStringLiteral("graphics_width"), 1000);
    settings.setValue(QStringLiteral("graphics_height"), 700);
    settings.setValue(QStringLiteral("graphics_dpi"), 320);

    QPointer<SettingsDialog> dialog = open();
    QCOMPARE(dialog->form().width->text(), QStringLiteral("1000"));
    dialog->form().graphics->setCurrentIndex(2);
    QCOMPARE(dialog->form().width->text(), QStringLiteral("1280"));
    QVERIFY(dialog->form().width->isReadOnly());
    saveRefusingRestart(dialog);

    const SettingsStore after = store();
    QCOMPARE(after.value(QStringLiteral("graphics")), QVariant(2));
    QCOMPARE(after.value(QStringLiteral("graphics_width")), QVariant(1280));
    QCOMPARE(after.value(QStringLiteral("graphics_height")), QVariant(720));
    QCOMPARE(after.value(QStringLiteral("graphics_dpi")), QVariant(240));
    QCOMPARE(after.value(QStringLiteral("graphics_width_recent")), QVariant(1000));
    QCOMPARE(after.value(QStringLiteral("graphics_height_recent")), QVariant(700));
}

void SettingsDialogTest::lowPresetLeavesCpuAndMemoryAlone()
{
    SettingsStore settings = store();
    settings.setValue(QStringLiteral("cpu"), 3);
    settings.setValue(QStringLiteral("memory"), 3000);

    QPointer<SettingsDialog> dialog = open();
    QCOMPARE(dialog->form().cpu->text(), QStringLiteral("3"));
    dialog->form().performace->setCurrentIndex(0);
    QCOMPARE(dialog->form().cpu->text(), QStringLiteral("1"));
    QCOMPARE(dialog->form().memory->text(), QStringLiteral("1024"));
    saveRefusingRestart(dialog);

    QCOMPARE(store().value(QStringLiteral("performance")), QVariant(0));
    QCOMPARE(store().value(QStringLiteral("cpu")), QVariant(3));
    QCOMPARE(store().value(QStringLiteral("memory")), QVariant(3000));
}

void SettingsDialogTest::resolutionListIsPrunedToTheDesktop()
{
    store().setValue(QStringLiteral("graphics"), 4);
    QPointer<SettingsDialog> dialog = open(QSize(1366, 768));
    const QComboBox *graphics = dialog->form().graphics;
    QStringList items;
    for (int i = 0; i < graphics->count(); ++i)
        items << graphics->itemText(i);
    QCOMPARE(items, (QStringList{QStringLiteral("Custom"), QStringLiteral("800x600"), QStringLiteral("1280x720")}));
    QCOMPARE(graphics->currentIndex(), 0);
    // Loading again changes nothing.
    dialog->load();
    QCOMPARE(graphics->count(), 3);
    delete dialog;
}

void SettingsDialogTest::bareBossKeyPrefixKeepsTheStoredKey()
{
    store().setValue(QStringLiteral("bossKey"), QStringLiteral("Ctrl+Alt+Q"));
    QPointer<SettingsDialog> dialog = open();
    QCOMPARE(dialog->form().bossKey->text(), QStringLiteral("Ctrl+Alt+Q"));
    dialog->form().bossKey->setText(QStringLiteral("Ctrl+Alt+"));
    saveRefusingRestart(dialog);
    QCOMPARE(store().stringValue(QStringLiteral("bosskey")), QStringLiteral("Ctrl+Alt+Q"));
}

void SettingsDialogTest::generateThenCloseKeepsTheImei()
{
    QPointer<SettingsDialog> dialog = open();
    dialog->form().generateImeiButton->click();
    const QString imei = dialog->form().imei->text();
    QCOMPARE(imei.size(), 15);
    QVERIFY(imei.startsWith(QStringLiteral("86")));
    dialog->close();
    QTRY_VERIFY(dialog.isNull());
    QCOMPARE(store().stringValue(QStringLiteral("imei")), imei);
    QCOMPARE(store().allKeys(), QStringList{QStringLiteral("imei")});
}

void SettingsDialogTest::restoreRemovesExactlyItsKeys()
{
    SettingsStore settings = store();
    for (const char *key : SettingsKeys::kDialogKeys)
        settings.setValue(QString::fromLatin1(key), 1);
    settings.setValue(QStringLiteral("pos"), QPoint(3, 4));
    settings.setValue(QStringLiteral("height"), 500);
    settings.setValue(QStringLiteral("tavenor.gps.longitude"), QStringLiteral("116.4"));
    settings.sync();

    QPointer<SettingsDialog> dialog = open();
    // Refused first: nothing happens.
    TMessageBox::queueAnswer([](TMessageBox &) { return 0; });
    dialog->form().restore->click();
    QVERIFY(dialog);
    QCOMPARE(store().allKeys().size(), 20);

    QStringList questions;
    TMessageBox::queueAnswer([&questions](TMessageBox &box) { questions << box.text(); return 1; });
    TMessageBox::queueAnswer([&questions](TMessageBox &box) { questions << box.text(); return 0; });
    dialog->form().restore->click();
    QCOMPARE(questions, (QStringList{QStringLiteral("Confirm to Restore to Default?"),
                                     QStringLiteral("Reboot me to load new configuration?")}));
    QStringList left = store().allKeys();
    left.sort();
    QCOMPARE(left, (QStringList{QStringLiteral("graphics_height_recent"), QStringLiteral("graphics_width_recent"),
                                QStringLiteral("tavenor.gps.longitude")}));
    QTRY_VERIFY(dialog.isNull());
}

void SettingsDialogTest::leftButtonDragsTheWindow()
{
    QPointer<SettingsDialog> dialog = open();
    dialog->move(100, 100);
    const auto moveTo = [&](QPoint global, Qt::MouseButtons buttons) {
        QMouseEvent event(QEvent::MouseMove, dialog->mapFromGlobal(global), global, Qt::NoButton, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(dialog, &event);
    };
    moveTo(QPoint(150, 120), Qt::LeftButton); // records the offset (50, 20)
    moveTo(QPoint(170, 150), Qt::LeftButton);
    QCOMPARE(dialog->pos(), QPoint(120, 130));
    moveTo(QPoint(300, 300), Qt::LeftButton | Qt::RightButton);
    QCOMPARE(dialog->pos(), QPoint(120, 130));

    QMouseEvent release(QEvent::MouseButtonRelease, QPoint(), QPoint(170, 150), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(dialog, &release);
    moveTo(QPoint(400, 400), Qt::LeftButton); // a new drag starts from here
    QCOMPARE(dialog->pos(), QPoint(120, 130));
    delete dialog;
}

void SettingsDialogTest::acceptedRestartStartsTheProgramWithTheInstanceName_data()
{
    QTest::addColumn<QString>("instance");
    QTest::newRow("started without a name") << QStringLiteral("tavenor");
    QTest::newRow("second instance") << QStringLiteral("second");
}

void SettingsDialogTest::acceptedRestartStartsTheProgramWithTheInstanceName()
{
    QFETCH(QString, instance);
    setInstanceName(instance);
    QString program;
    QStringList arguments;
    PlayerRestart::setStarter([&](const QString &started, const QStringList &with) {
        program = started;
        arguments = with;
        return true;
    });

    QPointer<SettingsDialog> dialog = open();
    TMessageBox::queueAnswer([](TMessageBox &) { return 1; });
    dialog->form().save->click();
    QVERIFY(PlayerRestart::pending());
    // Nothing is started while this process still holds its instance.
    QVERIFY(program.isEmpty());
    QVERIFY(PlayerRestart::startPending());
    QCOMPARE(program, QCoreApplication::applicationFilePath());
    QCOMPARE(arguments, QStringList{instance});
    QVERIFY(!PlayerRestart::startPending());
    PlayerRestart::setStarter(nullptr);
    QTRY_VERIFY(dialog.isNull());
    SettingsStore settings = store();
    for (const QString &key : settings.allKeys())
        settings.remove(key);
}

// Offscreen, as on a desktop without X server or portal, the boss key can
// have no shortcut; once it found that, the boss-key row says so.
void SettingsDialogTest::bossKeyRowSaysWhenTheDesktopOffersNoShortcuts()
{
    for (const bool offered : {true, false}) {
        std::unique_ptr<QxtGlobalShortcut> bossKey;
        if (!offered)
            bossKey = std::make_unique<QxtGlobalShortcut>(QKeySequence(QStringLiteral("Ctrl+Alt+X")));
        QPointer<SettingsDialog> dialog = open();
        dialog->form().menu->setCurrentRow(3);
        QVERIFY(dialog->form().bossKey->isVisible());
        QCOMPARE(dialog->form().bossKeyNote->isVisible(), !offered);
        QCOMPARE(dialog->form().bossKeyNote->text(),
                 QStringLiteral("The desktop does not offer global shortcuts to this program."));
        delete dialog;
    }
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    SettingsDialogTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SettingsDialogTest.moc"
