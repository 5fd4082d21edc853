// The boss-key field with real key events on the offscreen platform.

#include "settings/ShordCutEdit.h"

#include <QApplication>
#include <QSignalSpy>
#include <QtTest>

class ShordCutEditTest : public QObject
{
    Q_OBJECT

private slots:
    void keyPresses_data();
    void keyPresses();
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
    QCOMPARE(changed.at(0).at(0).toString(), text.toUpper());
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
