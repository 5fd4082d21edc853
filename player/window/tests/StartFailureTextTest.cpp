#include "resources/PlayerResources.h"
#include "window/StartFailureText.h"

#include <QCoreApplication>
#include <QTranslator>
#include <QtTest>

// The start-failure message per reason code: the English source texts, and
// the texts users see through the built-in Chinese catalogue.
class StartFailureTextTest : public QObject
{
    Q_OBJECT

private slots:
    void sourceTexts_data();
    void sourceTexts();
    void catalogueTexts_data();
    void catalogueTexts();
    void detailOnALineOfItsOwn();

private:
    void addReasons();
};

void StartFailureTextTest::addReasons()
{
    QTest::addColumn<int>("reason");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("chinese");

    const QString broken = QString::fromUtf8("数据被破坏了，重新安装也许可以解决问题！");
    QTest::newRow("1") << 1 << "Engine Not Initialized" << QString::fromUtf8("集体病倒了，试试重新安装让我们从头来过？");
    QTest::newRow("2") << 2 << "Engine COM Communication Failed"
                       << QString::fromUtf8("白龙马太累了，歇息一下重新上路就好了。");
    QTest::newRow("3") << 3 << "Machine Not Found" << broken;
    QTest::newRow("4") << 4 << "Machine Start Failed" << broken;
    QTest::newRow("5") << 5 << "Engine Location Not Found" << broken;
    QTest::newRow("0") << 0 << "Unknown Error" << QString::fromUtf8("未知错误");
    QTest::newRow("6") << 6 << "Unknown Error" << QString::fromUtf8("未知错误");
    QTest::newRow("negative") << -1 << "Unknown Error" << QString::fromUtf8("未知错误");
}

void StartFailureTextTest::sourceTexts_data()
{
    addReasons();
}

void StartFailureTextTest::sourceTexts()
{
    QFETCH(int, reason);
    QFETCH(QString, english);
    QCOMPARE(StartFailureText::text(reason), QStringLiteral("Engine Start Failed\nTry restart Application.") + english);
}

void StartFailureTextTest::catalogueTexts_data()
{
    addReasons();
}

void StartFailureTextTest::catalogueTexts()
{
    QFETCH(int, reason);
    QFETCH(QString, chinese);
    QTranslator translator;
    QVERIFY(translator.load(QStringLiteral(":/lang/zh_CN.qm")));
    QCoreApplication::installTranslator(&translator);
    const QString text = StartFailureText::text(reason);
    QCoreApplication::removeTranslator(&translator);
    QCOMPARE(text, QString::fromUtf8("白龙马太累了，歇息一下重新上路就好了。") + chinese);
}

void StartFailureTextTest::detailOnALineOfItsOwn()
{
    const QString detail = QStringLiteral("The data disk D:/Tavenor/data_x.vdi is missing.");
    QCOMPARE(StartFailureText::text(3, detail), StartFailureText::text(3) + QLatin1Char('\n') + detail);
    QCOMPARE(StartFailureText::text(3, QString()), StartFailureText::text(3));
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    initPlayerResources();
    StartFailureTextTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "StartFailureTextTest.moc"
