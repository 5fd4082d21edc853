#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "window/SavedGeometry.h"

#include <QUuid>
#include <QtTest>

// The main window's remembered place in a real instance store (a private
// settings folder per test run).
class SavedGeometryTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void nothingSavedGivesNone();
    void savedPlaceIsUsedWhileTheGuestSizeStays();
    void changedGuestSizeDropsThePlaceAndIsRecorded();
    void changedHeightAloneDropsThePlace();
    void positionWithoutHeightGivesNone();
    void windowGeometry_data();
    void windowGeometry();

private:
    std::unique_ptr<SettingsStore> m_store;
};

void SavedGeometryTest::init()
{
    m_store = std::make_unique<SettingsStore>(QUuid::createUuid().toString(QUuid::WithoutBraces));
}

void SavedGeometryTest::nothingSavedGivesNone()
{
    QPoint pos(5, 5);
    int height = 5;
    SavedGeometry::read(*m_store, pos, height);
    QCOMPARE(pos, QPoint());
    QCOMPARE(height, 0);
}

void SavedGeometryTest::savedPlaceIsUsedWhileTheGuestSizeStays()
{
    m_store->setValue(SettingsKeys::kGraphicsWidth, 1280);
    m_store->setValue(SettingsKeys::kGraphicsHeight, 720);
    m_store->setValue(SettingsKeys::kGraphicsWidthRecent, 1280);
    m_store->setValue(SettingsKeys::kGraphicsHeightRecent, 720);
    SavedGeometry::write(*m_store, QPoint(120, 80), 700);

    QPoint pos;
    int height = 0;
    SavedGeometry::read(*m_store, pos, height);
    QCOMPARE(pos, QPoint(120, 80));
    QCOMPARE(height, 700);
}

void SavedGeometryTest::changedGuestSizeDropsThePlaceAndIsRecorded()
{
    m_store->setValue(SettingsKeys::kGraphicsWidthRecent, 1280);
    m_store->setValue(SettingsKeys::kGraphicsHeightRecent, 720);
    SavedGeometry::write(*m_store, QPoint(120, 80), 700);
    m_store->setValue(SettingsKeys::kGraphicsWidth, 1920);
    m_store->setValue(SettingsKeys::kGraphicsHeight, 720);

    QPoint pos;
    int height = 0;
    SavedGeometry::read(*m_store, pos, height);
    QCOMPARE(height, 0);
    QCOMPARE(m_store->intValue(SettingsKeys::kGraphicsWidthRecent, 0), 1920);
    QCOMPARE(m_store->intValue(SettingsKeys::kGraphicsHeightRecent, 0), 720);

    // The next run finds the size it was saved under again.
    SavedGeometry::read(*m_store, pos, height);
    QCOMPARE(pos, QPoint(120, 80));
    QCOMPARE(height, 700);
}

void SavedGeometryTest::changedHeightAloneDropsThePlace()
{
    SavedGeometry::write(*m_store, QPoint(120, 80), 700);
    m_store->setValue(SettingsKeys::kGraphicsHeight, 900);

    QPoint pos;
    int height = 0;
    SavedGeometry::read(*m_store, pos, height);
    QCOMPARE(height, 0);
    QCOMPARE(m_store->intValue(SettingsKeys::kGraphicsWidthRecent, -1), 0);
    QCOMPARE(m_store->intValue(SettingsKeys::kGraphicsHeightRecent, -1), 900);
}

void SavedGeometryTest::positionWithoutHeightGivesNone()
{
    m_store->setValue(SettingsKeys::kPos, QPoint(120, 80));
    QPoint pos;
    int height = 0;
    SavedGeometry::read(*m_store, pos, height);
    QCOMPARE(height, 0);
}

void SavedGeometryTest::windowGeometry_data()
{
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<int>("height");
    QTest::addColumn<QSize>("guest");
    QTest::addColumn<bool>("natural");
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<QRect>("geometry");

    const QSize hd(1280, 720);
    const QRect screen(0, 0, 1920, 1080);
    QTest::newRow("saved, upright") << QPoint(100, 50) << 720 << hd << true << screen << QRect(100, 50, 1280, 804);
    QTest::newRow("saved, turned") << QPoint(100, 50) << 768 << hd << false << screen << QRect(100, 50, 480, 804);
    QTest::newRow("saved above and left of the screen")
        << QPoint(-30, -5) << 720 << hd << true << screen << QRect(0, 0, 1280, 804);
    QTest::newRow("nothing saved: centred") << QPoint() << 0 << hd << true << screen << QRect(320, 138, 1280, 804);
    QTest::newRow("position (0, 0) counts as none")
        << QPoint(0, 0) << 720 << hd << true << screen << QRect(320, 138, 1280, 804);
    QTest::newRow("negative height counts as none")
        << QPoint(100, 50) << -40 << hd << true << screen << QRect(320, 138, 1280, 804);
    QTest::newRow("guest taller than the screen: top edge kept")
        << QPoint() << 0 << QSize(1920, 1080) << true << screen << QRect(0, 0, 1920, 1164);
    QTest::newRow("centred on a primary screen right of another")
        << QPoint() << 0 << hd << true << QRect(1920, 0, 1920, 1080) << QRect(2240, 138, 1280, 804);
}

void SavedGeometryTest::windowGeometry()
{
    QFETCH(QPoint, pos);
    QFETCH(int, height);
    QFETCH(QSize, guest);
    QFETCH(bool, natural);
    QFETCH(QRect, screen);
    QFETCH(QRect, geometry);
    QCOMPARE(SavedGeometry::windowGeometry(pos, height, guest, natural, screen), geometry);
}

QTEST_GUILESS_MAIN(SavedGeometryTest)
#include "SavedGeometryTest.moc"
