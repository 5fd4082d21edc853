#include "WindowTestMain.h"

#include "window/ApkDrop.h"
#include "window/BossKey.h"

#include <QMimeData>

// The rules behind drop install and the boss key, without a window.
class FeatureRulesTest : public QObject
{
    Q_OBJECT

private slots:
    void apkFolderAndFile_data();
    void apkFolderAndFile();
    void dropKeepsApksAndCountsTheRest();
    void bossKeyText_data();
    void bossKeyText();
};

void FeatureRulesTest::apkFolderAndFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("file");
    QTest::newRow("drive root") << "C:/x.apk"
                                << "C:/"
                                << "x.apk";
    QTest::newRow("drive folder") << "C:/games/x.apk"
                                  << "C:/games"
                                  << "x.apk";
    QTest::newRow("file system root") << "/x.apk"
                                      << "/"
                                      << "x.apk";
    // The file name is not cut out of the folder where it recurs.
    QTest::newRow("name inside folder") << "/x.apk/x.apk"
                                        << "/x.apk"
                                        << "x.apk";
    QTest::newRow("spaces, #, % and accents") << "/home/p/my games #1/100% \u00e9t\u00e9 \u4f60.apk"
                                              << "/home/p/my games #1"
                                              << "100% \u00e9t\u00e9 \u4f60.apk";
}

void FeatureRulesTest::apkFolderAndFile()
{
    QFETCH(QString, path);
    QFETCH(QString, folder);
    QFETCH(QString, file);
    const ApkDrop::Apk apk = ApkDrop::locate(path);
    QCOMPARE(apk.folder, folder);
    QCOMPARE(apk.file, file);
    // What a drop carries: the local file's URL, percent-encoded.
    if (path.startsWith(QLatin1Char('/')))
        QCOMPARE(ApkDrop::locate(QUrl::fromLocalFile(path).toLocalFile()).file, file);
}

void FeatureRulesTest::dropKeepsApksAndCountsTheRest()
{
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QStringLiteral("/a/Game.APK")),
                  QUrl::fromLocalFile(QStringLiteral("/a/notes.txt")),
                  QUrl(QStringLiteral("file:///b/%23%25%20x.apk")),
                  QUrl(QStringLiteral("https://example.org/web.apk")),
                  QUrl::fromLocalFile(QStringLiteral("/a/folder.apk/"))});
    const ApkDrop drop(&data);
    QCOMPARE(drop.apks().size(), 2);
    QCOMPARE(drop.apks()[0].file, QStringLiteral("Game.APK"));
    QCOMPARE(drop.apks()[1].folder, QStringLiteral("/b"));
    QCOMPARE(drop.apks()[1].file, QStringLiteral("#% x.apk"));
    QCOMPARE(drop.skipped(), 3);

    QMimeData text;
    text.setText(QStringLiteral("/a/Game.apk"));
    QVERIFY(ApkDrop(&text).apks().isEmpty());
}

void FeatureRulesTest::bossKeyText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QKeySequence>("sequence");
    QTest::addColumn<bool>("logged");
    const QKeySequence fallback(Qt::CTRL | Qt::ALT | Qt::Key_X);
    QTest::newRow("default spelling") << "ctrl+alt+x" << fallback << false;
    QTest::newRow("dialog spelling with spaces")
        << "Ctrl + Shift + F9" << QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F9) << false;
    QTest::newRow("unknown key") << "ctrl+alt+nokey" << fallback << true;
    QTest::newRow("modifiers only") << "ctrl+alt+" << fallback << true;
    QTest::newRow("two combinations") << "ctrl+a,ctrl+b" << fallback << true;
    QTest::newRow("empty") << "" << fallback << true;
}

void FeatureRulesTest::bossKeyText()
{
    QFETCH(QString, text);
    QFETCH(QKeySequence, sequence);
    QFETCH(bool, logged);
    if (logged)
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^invalid boss key")));
    QCOMPARE(BossKey::fromText(text), sequence);
}

WINDOW_OFFSCREEN_TEST_MAIN(FeatureRulesTest)
#include "FeatureRulesTest.moc"
