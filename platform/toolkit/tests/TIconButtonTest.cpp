#include "OffscreenTestMain.h"
#include "PointerScript.h"

#include "TIconButton.h"
#include "loadIconWithMode.h"
#include "nativeSetToolTip.h"

#include <QTemporaryDir>

namespace {
const QColor kNormal(200, 40, 40);
const QColor kHover(40, 200, 40);
const QColor kPressed(40, 40, 200);
const QColor kDisabled(90, 90, 90);

QPixmap solid(const QColor &colour, QSize size)
{
    QPixmap pixmap(size);
    pixmap.fill(colour);
    return pixmap;
}

QColor centreOf(const QPixmap &pixmap)
{
    const QImage image = pixmap.toImage();
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

// The image that a 48 x 48 button draws on a screen of the given density.
QColor drawnCentre(const QIcon &icon, QIcon::Mode mode, int density)
{
    return centreOf(icon.pixmap(QSize(48, 48) * density, mode));
}
}

class TIconButtonTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void signalsPairUp_data();
    void signalsPairUp();
    void statesPaintIconModes();
    void sizeComesFromConstructor();

    void loadIconWithMode_data();
    void loadIconWithMode();
    void loadIconScalesToSize();

    void toolTip();

private:
    QWidget *m_host = nullptr;
    TIconButton *m_button = nullptr;
};

void TIconButtonTest::init()
{
    m_host = new QWidget;
    m_host->setObjectName(QStringLiteral("host"));
    m_host->setGeometry(200, 200, 200, 100);
    m_button = new TIconButton(m_host, QSize(48, 48));
    m_button->move(10, 10);
    QIcon icon;
    icon.addPixmap(solid(kNormal, QSize(48, 48)), QIcon::Normal);
    icon.addPixmap(solid(kHover, QSize(48, 48)), QIcon::Active);
    icon.addPixmap(solid(kPressed, QSize(48, 48)), QIcon::Selected);
    icon.addPixmap(solid(kDisabled, QSize(48, 48)), QIcon::Disabled);
    m_button->setIcon(icon);
    m_host->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_host));
    QTest::lastMouseTimestamp += QTest::mouseDoubleClickInterval;
}

void TIconButtonTest::cleanup()
{
    delete m_host;
}

void TIconButtonTest::signalsPairUp_data()
{
    QTest::addColumn<QString>("gesture");
    QTest::addColumn<int>("pressed");
    QTest::addColumn<int>("released");
    QTest::addColumn<int>("clicked");

    QTest::newRow("click") << "click" << 1 << 1 << 1;
    QTest::newRow("release outside") << "release outside" << 1 << 1 << 0;
    QTest::newRow("leave and come back") << "leave and come back" << 1 << 1 << 1;
    QTest::newRow("hidden while held") << "hide" << 1 << 1 << 0;
    QTest::newRow("disabled while held") << "disable" << 1 << 1 << 0;
    QTest::newRow("held") << "held" << 1 << 0 << 0;
}

void TIconButtonTest::signalsPairUp()
{
    QFETCH(QString, gesture);
    QFETCH(int, pressed);
    QFETCH(int, released);
    QFETCH(int, clicked);

    QSignalSpy pressedSpy(m_button, &TIconButton::pressed);
    QSignalSpy releasedSpy(m_button, &TIconButton::released);
    QSignalSpy clickedSpy(m_button, &TIconButton::clicked);
    const QPoint inside = m_button->mapToGlobal(QPoint(24, 24));
    const QPoint outside = m_host->mapToGlobal(QPoint(150, 80));

    PointerScript pointer(m_host);
    pointer.moveTo(inside);
    pointer.press(inside);
    QVERIFY(m_button->isDown());
    if (gesture == "click") {
        pointer.release(inside);
    } else if (gesture == "release outside") {
        pointer.moveTo(outside);
        pointer.release(outside);
    } else if (gesture == "leave and come back") {
        pointer.moveTo(outside);
        pointer.moveTo(inside);
        pointer.release(inside);
    } else if (gesture == "hide") {
        m_button->hide();
        pointer.release(inside);
    } else if (gesture == "disable") {
        m_button->setEnabled(false);
        pointer.release(inside);
    }

    QCOMPARE(pressedSpy.count(), pressed);
    QCOMPARE(releasedSpy.count(), released);
    QCOMPARE(clickedSpy.count(), clicked);
    QCOMPARE(m_button->isDown(), released == 0);
}

void TIconButtonTest::statesPaintIconModes()
{
    auto shows = [this](QIcon::Mode mode, const QColor &colour) {
        return m_button->currentMode() == mode && centreOf(m_button->grab()) == colour;
    };
    QVERIFY(shows(QIcon::Normal, kNormal));

    PointerScript pointer(m_host);
    const QPoint inside = m_button->mapToGlobal(QPoint(24, 24));
    const QPoint outside = m_host->mapToGlobal(QPoint(150, 80));
    pointer.moveTo(outside);
    pointer.moveTo(inside);
    QVERIFY(shows(QIcon::Active, kHover));

    pointer.press(inside);
    QVERIFY(shows(QIcon::Selected, kPressed));

    // Held but dragged off: no longer looks pressed.
    pointer.moveTo(outside);
    QVERIFY(m_button->currentMode() != QIcon::Selected);

    pointer.release(outside);
    QVERIFY(shows(QIcon::Normal, kNormal));

    m_button->setEnabled(false);
    QVERIFY(shows(QIcon::Disabled, kDisabled));
}

void TIconButtonTest::sizeComesFromConstructor()
{
    TIconButton button(nullptr, QSize(40, 36));
    QCOMPARE(button.size(), QSize(40, 36));
    QCOMPARE(button.sizeHint(), QSize(40, 36));
    QCOMPARE(button.sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
}

void TIconButtonTest::loadIconWithMode_data()
{
    QTest::addColumn<QStringList>("files");
    // Per mode (normal, hover, pressed): the colour drawn at 1x and at 2x,
    // or an invalid colour where the mode has no image of its own.
    QTest::addColumn<QList<QColor>>("at1x");
    QTest::addColumn<QList<QColor>>("at2x");

    const QColor none;
    const QColor n1(10, 10, 10), n2(20, 20, 20), h1(30, 30, 30), h2(40, 40, 40), p1(50, 50, 50), p2(60, 60, 60);
    const QStringList all{"_normal", "_normal@2x", "_hover", "_hover@2x", "_pressed", "_pressed@2x"};

    QTest::newRow("three states at both densities") << all << QList<QColor>{n1, h1, p1} << QList<QColor>{n2, h2, p2};
    QTest::newRow("single density only") << QStringList{"_normal", "_hover", "_pressed"}
                                         << QList<QColor>{n1, h1, p1} << QList<QColor>{n1, h1, p1};
    QTest::newRow("double density only") << QStringList{"_normal@2x", "_hover@2x", "_pressed@2x"}
                                         << QList<QColor>{n2, h2, p2} << QList<QColor>{n2, h2, p2};
    QTest::newRow("normal only") << QStringList{"_normal", "_normal@2x"}
                                 << QList<QColor>{n1, none, none} << QList<QColor>{n2, none, none};
    QTest::newRow("no images") << QStringList{} << QList<QColor>{none, none, none} << QList<QColor>{none, none, none};
}

void TIconButtonTest::loadIconWithMode()
{
    QFETCH(QStringList, files);
    QFETCH(QList<QColor>, at1x);
    QFETCH(QList<QColor>, at2x);

    const QMap<QString, QColor> colours{
        {"_normal", QColor(10, 10, 10)}, {"_normal@2x", QColor(20, 20, 20)},
        {"_hover", QColor(30, 30, 30)}, {"_hover@2x", QColor(40, 40, 40)},
        {"_pressed", QColor(50, 50, 50)}, {"_pressed@2x", QColor(60, 60, 60)},
    };
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString base = dir.filePath(QStringLiteral("button"));
    for (const QString &file : files) {
        const int side = file.contains("@2x") ? 96 : 48;
        QImage image(side, side, QImage::Format_ARGB32);
        image.fill(colours.value(file));
        QVERIFY(image.save(base + file + QStringLiteral(".png")));
    }

    const QIcon icon = ::loadIconWithMode(base, QSize(48, 48));
    QCOMPARE(icon.isNull(), files.isEmpty());
    if (files.isEmpty())
        return;

    const QIcon::Mode modes[] = {QIcon::Normal, QIcon::Active, QIcon::Selected};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(icon.availableSizes(modes[i]).isEmpty(), !at1x[i].isValid());
        if (!at1x[i].isValid())
            continue;
        QCOMPARE(drawnCentre(icon, modes[i], 1), at1x[i]);
        QCOMPARE(drawnCentre(icon, modes[i], 2), at2x[i]);
    }
}

void TIconButtonTest::loadIconScalesToSize()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString base = dir.filePath(QStringLiteral("big"));
    QImage image(200, 200, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(base + QStringLiteral("_normal.png")));
    QVERIFY(image.save(base + QStringLiteral("_normal@2x.png")));

    const QIcon icon = ::loadIconWithMode(base, QSize(32, 32));
    QCOMPARE(icon.availableSizes(QIcon::Normal), (QList<QSize>{QSize(32, 32), QSize(64, 64)}));
}

void TIconButtonTest::toolTip()
{
    nativeSetToolTip(m_button, QStringLiteral("Screen"));
    QCOMPARE(m_button->toolTip(), QStringLiteral("Screen"));
    nativeSetToolTip(nullptr, QStringLiteral("ignored"));
}

TOOLKIT_OFFSCREEN_TEST_MAIN(TIconButtonTest)
#include "TIconButtonTest.moc"
