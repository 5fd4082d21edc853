#include "ModalWatcher.h"
#include "OffscreenTestMain.h"
#include "PointerScript.h"

#include "TDialog.h"
#include "TIconButton.h"
#include "TMessageBox.h"
#include "TTitleBar.h"

#include <QLabel>
#include <QPushButton>
#include <QTranslator>

namespace {
QPushButton *button(QWidget *box, const char *name)
{
    return box->findChild<QPushButton *>(QLatin1String(name));
}

QLabel *messageText(QWidget *box)
{
    return box->findChild<QLabel *>(QStringLiteral("messageText"));
}
}

class TDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void execReturnsTheAnswer_data();
    void execReturnsTheAnswer();
    void dragByTitleBar();

    void buttonsOfQuestionAndNotice_data();
    void buttonsOfQuestionAndNotice();
    void setButtonsRenames();
    void textIsShownAsPlainText();
    void queuedAnswersAreConsumedInOrder();
    void answerSeesTheBuiltBox();
    void boxAnsweredByItsButtons_data();
    void boxAnsweredByItsButtons();
    void defaultTextsAreTranslated();
};

void TDialogTest::init()
{
    TMessageBox::clearAnswers();
    QTest::lastMouseTimestamp += QTest::mouseDoubleClickInterval;
}

void TDialogTest::cleanup()
{
    QCOMPARE(TMessageBox::queuedAnswers(), 0);
}

void TDialogTest::execReturnsTheAnswer_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("result");

    QTest::newRow("accept") << "accept" << 1;
    QTest::newRow("reject") << "reject" << 0;
    QTest::newRow("title bar close") << "close button" << 0;
    QTest::newRow("escape") << "escape" << 0;
}

void TDialogTest::execReturnsTheAnswer()
{
    QFETCH(QString, action);
    QFETCH(int, result);

    TDialog dialog;
    dialog.resize(300, 200);
    QSignalSpy finished(&dialog, &QDialog::finished);
    QWidget *seen = nullptr;
    whenModal([action, &dialog, &seen](QWidget *modal) {
        seen = modal;
        if (action == "accept")
            dialog.accept();
        else if (action == "reject")
            dialog.reject();
        else if (action == "close button")
            QTest::mouseClick(dialog.titleBar()->findChild<TIconButton *>(QStringLiteral("closeButton")), Qt::LeftButton);
        else
            QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    QCOMPARE(dialog.exec(), result);
    QCOMPARE(seen, &dialog);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(finished.count(), 1);
}

void TDialogTest::dragByTitleBar()
{
    TDialog dialog;
    dialog.setGeometry(100, 100, 300, 200);
    dialog.setWindowTitle(QStringLiteral("Drag me"));
    QCOMPARE(dialog.titleBar()->title(), QStringLiteral("Drag me"));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QPoint start = dialog.pos();

    PointerScript pointer(&dialog);
    const QPoint onTitle = dialog.titleBar()->mapToGlobal(QPoint(60, 15));
    pointer.drag(onTitle, onTitle + QPoint(40, 25));
    QTRY_COMPARE(dialog.pos(), start + QPoint(40, 25));

    const QPoint onBody = dialog.body()->mapToGlobal(QPoint(60, 60));
    pointer.drag(onBody, onBody + QPoint(40, 25));
    QCOMPARE(dialog.pos(), start + QPoint(40, 25));
}

void TDialogTest::buttonsOfQuestionAndNotice_data()
{
    QTest::addColumn<bool>("question");
    QTest::newRow("question") << true;
    QTest::newRow("notice") << false;
}

void TDialogTest::buttonsOfQuestionAndNotice()
{
    QFETCH(bool, question);
    TMessageBox box(nullptr, QStringLiteral("Confirm to Exit?"), question);
    QCOMPARE(box.isQuestion(), question);
    QCOMPARE(box.text(), QStringLiteral("Confirm to Exit?"));
    QCOMPARE(messageText(&box)->text(), QStringLiteral("Confirm to Exit?"));
    QVERIFY(button(&box, "acceptButton")->isVisibleTo(&box));
    QCOMPARE(button(&box, "cancelButton")->isVisibleTo(&box), question);
    QCOMPARE(button(&box, "acceptButton")->text(), QStringLiteral("Ok"));
    QCOMPARE(button(&box, "cancelButton")->text(), QStringLiteral("Cancel"));
}

void TDialogTest::setButtonsRenames()
{
    TMessageBox box(nullptr, QStringLiteral("Confirm to Exit?"), true);
    box.setButtons(QStringLiteral("Close"), QStringLiteral("Stay"));
    QCOMPARE(box.acceptText(), QStringLiteral("Close"));
    QCOMPARE(box.cancelText(), QStringLiteral("Stay"));
    QCOMPARE(button(&box, "acceptButton")->text(), QStringLiteral("Close"));
    QCOMPARE(button(&box, "cancelButton")->text(), QStringLiteral("Stay"));
}

void TDialogTest::textIsShownAsPlainText()
{
    const QString text = QStringLiteral("<b>Engine Start Failed</b>\nTry restart Application.");
    TMessageBox box(nullptr, text, false);
    QCOMPARE(messageText(&box)->textFormat(), Qt::PlainText);
    QCOMPARE(messageText(&box)->text(), text);
}

void TDialogTest::queuedAnswersAreConsumedInOrder()
{
    QStringList asked;
    TMessageBox::queueAnswer([&asked](TMessageBox &box) {
        asked << box.text();
        return 1;
    });
    TMessageBox::queueAnswer([&asked](TMessageBox &box) {
        asked << box.text();
        return 0;
    });
    QCOMPARE(TMessageBox::queuedAnswers(), 2);

    TMessageBox first(nullptr, QStringLiteral("first"), true);
    QSignalSpy accepted(&first, &QDialog::accepted);
    QCOMPARE(first.exec(), 1);
    QCOMPARE(accepted.count(), 1);
    QCOMPARE(first.result(), 1);

    TMessageBox second(nullptr, QStringLiteral("second"), true);
    QSignalSpy rejected(&second, &QDialog::rejected);
    QCOMPARE(second.exec(), 0);
    QCOMPARE(rejected.count(), 1);

    QCOMPARE(asked, (QStringList{"first", "second"}));
    QCOMPARE(TMessageBox::queuedAnswers(), 0);
}

void TDialogTest::answerSeesTheBuiltBox()
{
    bool checked = false;
    TMessageBox::queueAnswer([&checked](TMessageBox &box) {
        checked = !box.isVisible() && box.isQuestion() && box.acceptText() == "Close"
                  && box.cancelText() == "Stay" && button(&box, "cancelButton")->text() == "Stay";
        return 0;
    });
    QWidget parent;
    TMessageBox box(&parent, QStringLiteral("Confirm to Exit?"), true);
    box.setButtons(QStringLiteral("Close"), QStringLiteral("Stay"));
    QCOMPARE(box.exec(), 0);
    QVERIFY(checked);
}

void TDialogTest::boxAnsweredByItsButtons_data()
{
    QTest::addColumn<bool>("question");
    QTest::addColumn<QString>("press");
    QTest::addColumn<int>("result");

    QTest::newRow("question, accept") << true << "acceptButton" << 1;
    QTest::newRow("question, cancel") << true << "cancelButton" << 0;
    QTest::newRow("notice, accept") << false << "acceptButton" << 1;
    QTest::newRow("notice, return key") << false << "return" << 1;
    QTest::newRow("notice, escape") << false << "escape" << 0;
}

void TDialogTest::boxAnsweredByItsButtons()
{
    QFETCH(bool, question);
    QFETCH(QString, press);
    QFETCH(int, result);

    TMessageBox box(nullptr, QStringLiteral("Reboot me to load new configuration?"), question);
    whenModal([press](QWidget *modal) {
        if (press == "escape")
            QTest::keyClick(modal, Qt::Key_Escape);
        else if (press == "return")
            QTest::keyClick(modal, Qt::Key_Return);
        else
            QTest::mouseClick(button(modal, qPrintable(press)), Qt::LeftButton);
    });
    QCOMPARE(box.exec(), result);
}

void TDialogTest::defaultTextsAreTranslated()
{
    QTranslator translator;
    QVERIFY(translator.load(QStringLiteral(TOOLKIT_TEST_CATALOGUE)));
    QVERIFY(QCoreApplication::installTranslator(&translator));
    TMessageBox box(nullptr, QStringLiteral("Confirm to Restore to Default?"), true);
    QCoreApplication::removeTranslator(&translator);

    QCOMPARE(box.acceptText(), QStringLiteral("确定"));
    QCOMPARE(box.cancelText(), QStringLiteral("取消"));
}

TOOLKIT_OFFSCREEN_TEST_MAIN(TDialogTest)
#include "TDialogTest.moc"
