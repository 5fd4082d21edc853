// The boss-key field with real key events on the offscreen platform.

#include "settings/ShordCutEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QSignalSpy>
#include <QtTest>

class ShordCutEditTest : public QObject
{
    Q_OBJECT

private slots:
    void keyPresses_data();
    void keyPresses();
    void textArrivingOtherwise_data();
    void textArrivingOtherwise();
    void setStoredKey_data();
    void setStoredKey();
};

void ShordCutEditTest::keyPresses_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown"); // empty: swallowed, the field unchanged

    QTest::newRow("X") << int(Qt::Key_X) << "x" << "Ctrl+Alt+X";
    QTest::newRow("7") << int(Qt::Key_7) << "7" << "Ctrl+Alt+7";
    QTest::newRow("0, first of the range") << int(Qt::Key_0) << "0" << "Ctrl+Alt+0";
    QTest::newRow("Z, last of the range") << int(Qt::Key_Z) << "z" << "Ctrl+Alt+Z";
    QTest::newRow("@") << int(Qt::Key_At) << "@" << "Ctrl+Alt+@";
    QTest::newRow("letter without text") << int(Qt::Key_Q) << "" << "Ctrl+Alt+";
    // What X reports for Ctrl+X: no character a key sequence can name.
    QTest::newRow("letter with a control character") << int(Qt::Key_X) << "\x18" << "Ctrl+Alt+";
    QTest::newRow("slash, below the range") << int(Qt::Key_Slash) << "/" << QString();
    QTest::newRow("bracket, above the range") << int(Qt::Key_BracketLeft) << "[" << QString();
    QTest::newRow("space") << int(Qt::Key_Space) << " " << QString();
    QTest::newRow("backspace") << int(Qt::Key_Backspace) << "" << QString();
    QTest::newRow("delete") << int(Qt::Key_Delete) << "" << QString();
    QTest::newRow("left") << int(Qt::Key_Left) << "" << QString();
    QTest::newRow("F1") << int(Qt::Key_F1) << "" << QString();
}

void ShordCutEditTest::keyPresses()
{
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(QString, shown);

    ShordCutEdit edit;
    QCOMPARE(edit.text(), QStringLiteral("Ctrl+Alt+"));
    edit.setStoredKey(QStringLiteral("Ctrl+Alt+M"));
    edit.setCursorPosition(5);
    QSignalSpy changed(&edit, &ShordCutEdit::keyChanged);

    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(&edit, &press);

    if (shown.isEmpty()) {
        QCOMPARE(edit.text(), QStringLiteral("Ctrl+Alt+M"));
        QCOMPARE(edit.cursorPosition(), 5);
        QCOMPARE(changed.count(), 0);
        return;
    }
    QCOMPARE(edit.text(), shown);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toString(), shown.mid(int(sizeof ShordCutEdit::kPrefix) - 1));
}

void ShordCutEditTest::textArrivingOtherwise_data()
{
    QTest::addColumn<QString>("way");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown"); // empty: refused, the field unchanged

    for (const char *way : {"paste", "Ctrl+V", "drop", "input method"}) {
        const QString name = QString::fromLatin1(way);
        QTest::addRow("%s a letter", way) << name << "q" << "Ctrl+Alt+Q";
        QTest::addRow("%s a character that takes Shift", way) << name << "@" << "Ctrl+Alt+@";
        QTest::addRow("%s a word", way) << name << "hello" << QString();
        QTest::addRow("%s a character outside the range", way) << name << "[" << QString();
        QTest::addRow("%s Chinese", way) << name << "\u4f60" << QString();
    }
    QTest::newRow("cut") << "cut" << QString() << QString();
}

// Pasted, dropped and input-method text obeys the rule of the key presses:
// one digit, letter or ":;<=>?@", or nothing changes.
void ShordCutEditTest::textArrivingOtherwise()
{
    QFETCH(QString, way);
    QFETCH(QString, text);
    QFETCH(QString, shown);

    ShordCutEdit edit;
    edit.setStoredKey(QStringLiteral("Ctrl+Alt+M"));
    QSignalSpy changed(&edit, &ShordCutEdit::keyChanged);
    QApplication::clipboard()->setText(text);
    QMimeData dropped;
    dropped.setText(text);

    if (way == QLatin1String("paste")) {
        edit.paste();
    } else if (way == QLatin1String("Ctrl+V")) {
        QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    } else if (way == QLatin1String("drop")) {
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&edit, &enter);
        QDropEvent drop(QPoint(5, 5), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&edit, &drop);
    } else if (way == QLatin1String("input method")) {
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QApplication::sendEvent(&edit, &commit);
    } else {
        edit.selectAll();
        edit.cut();
    }

    if (shown.isEmpty()) {
        QCOMPARE(edit.text(), QStringLiteral("Ctrl+Alt+M"));
        QCOMPARE(changed.count(), 0);
        return;
    }
    QCOMPARE(edit.text(), shown);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toString(), shown.right(1));
}

void ShordCutEditTest::setStoredKey_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");

    QTest::newRow("exact prefix") << "Ctrl+Alt+Q" << "Ctrl+Alt+Q";
    QTest::newRow("lower case, prefix kept") << "ctrl+alt+q" << "Ctrl+Alt+CTRL+ALT+Q";
    QTest::newRow("bare letter") << "k" << "Ctrl+Alt+K";
    QTest::newRow("prefix twice") << "Ctrl+Alt+Ctrl+Alt+Z" << "Ctrl+Alt+Z";
}

void ShordCutEditTest::setStoredKey()
{
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    ShordCutEdit edit;
    edit.setStoredKey(stored);
    QCOMPARE(edit.text(), shown);
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ShordCutEditTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ShordCutEditTest.moc"
