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
#include <QThread>
#include <QtTest>

#include <memory>
#include <unistd.h>

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
    void customFields_data();
    void customFields();
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
    // Changes to the Custom fields, which start at cpu 2, memory 2048, width
    // 1280, height 720 and DPI 240 on a 1920 x 1080 desktop.
    QTest::addColumn<QVariantMap>("fields");
    QTest::addColumn<QString>("message"); // empty: saved
    // Keys looked at after a save; an invalid value: the key is absent.
    QTest::addColumn<QVariantMap>("stored");

    const QVariant none;
    const QVariantMap nothing;
    QTest::newRow("cpu 5") << QVariantMap{{"cpu", "5"}} << kCpuMessage << nothing;
    QTest::newRow("cpu 0") << QVariantMap{{"cpu", "0"}} << kCpuMessage << nothing;
    QTest::newRow("cpu letters") << QVariantMap{{"cpu", "two"}} << kCpuMessage << nothing;
    QTest::newRow("dpi 100") << QVariantMap{{"dpi", "100"}} << kResolutionMessage << nothing;
    QTest::newRow("dpi 481") << QVariantMap{{"dpi", "481"}} << kResolutionMessage << nothing;
    QTest::newRow("width above desktop") << QVariantMap{{"width", "1921"}} << kResolutionMessage << nothing;
    QTest::newRow("height above desktop") << QVariantMap{{"height", "1081"}} << kResolutionMessage << nothing;
    QTest::newRow("height letters") << QVariantMap{{"height", "tall"}} << kResolutionMessage << nothing;
    QTest::newRow("dpi 120 passes, not stored")
        << QVariantMap{{"dpi", "120"}} << QString() << QVariantMap{{"graphics_dpi", none}, {"graphics_width", 1280}};
    QTest::newRow("dpi 121 stored") << QVariantMap{{"dpi", "121"}} << QString() << QVariantMap{{"graphics_dpi", 121}};
    QTest::newRow("dpi 480 and cpu 4 stored")
        << QVariantMap{{"dpi", "480"}, {"cpu", "4"}} << QString() << QVariantMap{{"graphics_dpi", 480}, {"cpu", 4}};
    QTest::newRow("width 500 passes, not stored")
        << QVariantMap{{"width", "500"}, {"cpu", "1"}} << QString()
        << QVariantMap{{"graphics_width", none}, {"graphics_dpi", 240}, {"cpu", 1}};
    QTest::newRow("height 479 passes, not stored")
        << QVariantMap{{"height", "479"}} << QString() << QVariantMap{{"graphics_height", none}, {"graphics_width", 1280}};
    QTest::newRow("memory 512 passes, not stored")
        << QVariantMap{{"memory", "512"}} << QString() << QVariantMap{{"memory", none}, {"cpu", 2}};
    QTest::newRow("memory 8192 passes, not stored")
        << QVariantMap{{"memory", "8192"}} << QString() << QVariantMap{{"memory", none}, {"cpu", 2}};
    QTest::newRow("memory 4096 stored") << QVariantMap{{"memory", "4096"}} << QString() << QVariantMap{{"memory", 4096}};
}

void SettingsDialogTest::checksAndStorageRanges()
{
    QFETCH(QVariantMap, fields);
    QFETCH(QString, message);
    QFETCH(QVariantMap, stored);

    QPointer<SettingsDialog> dialog = open();
    QCOMPARE(dialog->form().performace->currentIndex(), 3);
    QCOMPARE(dialog->form().graphics->currentIndex(), 0);
    const QVariantMap start{{"cpu", "2"}, {"memory", "2048"}, {"width", "1280"}, {"height", "720"}, {"dpi", "240"}};
    for (auto field = start.begin(); field != start.end(); ++field)
        dialog->findChild<QLineEdit *>(field.key())->setText(fields.value(field.key(), field.value()).toString());
    saveRefusingRestart(dialog);

    if (!message.isEmpty()) {
        QCOMPARE(m_messages, QStringList{message});
        QVERIFY(dialog);
        QVERIFY(store().allKeys().isEmpty());
        delete dialog;
        return;
    }
    QCOMPARE(m_messages, QStringList{QStringLiteral("Reboot me to load new configuration?")});
    for (auto key = stored.begin(); key != stored.end(); ++key)
        QCOMPARE(store().value(key.key()), key.value());
    QVERIFY(!PlayerRestart::pending());
    QTRY_VERIFY(dialog.isNull());
}

void SettingsDialogTest::customFields_data()
{
    QTest::addColumn<QVariantMap>("stored");
    QTest::addColumn<QStringList>("shown"); // cpu, memory, width, height, dpi, boss key

    // Half the host's processors, memory by the host's size, the size
    // derived from the desktop (80 % of 1080 at 16:9), the default boss key.
    const qint64 hostMB = qint64(sysconf(_SC_PHYS_PAGES)) * sysconf(_SC_PAGE_SIZE) / (1024 * 1024);
    QTest::newRow("nothing stored")
        << QVariantMap() << QStringList{QString::number(qMax(1, QThread::idealThreadCount() / 2)),
                                        hostMB >= 4096 ? "2048" : "1024", "1536", "864", "240", "Ctrl+Alt+X"};
    // Custom is filled from the store only when Custom is what is stored;
    // after a preset it starts from the preset's numbers.
    QTest::newRow("Custom after Medium and 1280x720")
        << QVariantMap{{"performance", 1}, {"graphics", 2}, {"cpu", 3}, {"graphics_width", 1000}}
        << QStringList{"2", "1024", "1280", "720", "240", "Ctrl+Alt+X"};
}

void SettingsDialogTest::customFields()
{
    QFETCH(QVariantMap, stored);
    QFETCH(QStringList, shown);
    SettingsStore settings = store();
    for (auto value = stored.begin(); value != stored.end(); ++value)
        settings.setValue(value.key(), value.value());

    QPointer<SettingsDialog> dialog = open();
    const SettingsForm &form = dialog->form();
    form.performace->setCurrentIndex(3);
    form.graphics->setCurrentIndex(0);
    const QList<QLineEdit *> fields{form.cpu, form.memory, form.width, form.height, form.dpi, form.bossKey};
    QStringList texts;
    for (const QLineEdit *field : fields)
        texts << field->text();
    QCOMPARE(texts, shown);
    for (const QLineEdit *field : fields.mid(0, 5))
        QVERIFY(!field->isReadOnly());
    delete dialog;
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
