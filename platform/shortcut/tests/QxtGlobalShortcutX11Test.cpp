#include "QxtGlobalShortcut.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QX11Info>
#include <QtTest>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>
#include <memory>

namespace {

constexpr unsigned kCtrlAlt = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;

void xdotool(const QStringList &arguments)
{
    QCOMPARE(QProcess::execute(QStringLiteral("xdotool"), arguments), 0);
}

// Another X client, to hold keys against this program.
class OtherClient
{
public:
    OtherClient() : m_connection(xcb_connect(nullptr, nullptr))
    {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    }
    ~OtherClient() { xcb_disconnect(m_connection); }

    // Grabs key (an X key symbol) with Ctrl+Alt; true when granted.
    bool grab(xcb_keysym_t keysym)
    {
        xcb_key_symbols_t *symbols = xcb_key_symbols_alloc(m_connection);
        xcb_keycode_t *codes = xcb_key_symbols_get_keycode(symbols, keysym);
        const xcb_keycode_t code = codes != nullptr ? codes[0] : 0;
        std::free(codes);
        xcb_key_symbols_free(symbols);
        const xcb_void_cookie_t cookie = xcb_grab_key_checked(
            m_connection, 1, m_root, kCtrlAlt, code, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        xcb_generic_error_t *error = xcb_request_check(m_connection, cookie);
        std::free(error);
        return error == nullptr;
    }

private:
    xcb_connection_t *m_connection;
    xcb_window_t m_root = 0;
};

// Counts the X key presses of one key code that reach this program,
// auto-repeated ones included.
class KeyPressCounter : public QAbstractNativeEventFilter
{
public:
    explicit KeyPressCounter(xcb_keysym_t keysym)
    {
        xcb_key_symbols_t *symbols = xcb_key_symbols_alloc(QX11Info::connection());
        xcb_keycode_t *codes = xcb_key_symbols_get_keycode(symbols, keysym);
        m_code = codes != nullptr ? codes[0] : 0;
        std::free(codes);
        xcb_key_symbols_free(symbols);
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~KeyPressCounter() override { QCoreApplication::instance()->removeNativeEventFilter(this); }

    int count() const { return m_count; }

    bool nativeEventFilter(const QByteArray &eventType, void *message, long *) override
    {
        const auto *event = static_cast<const xcb_key_press_event_t *>(message);
        if (eventType == "xcb_generic_event_t" && (event->response_type & 0x7f) == XCB_KEY_PRESS
            && event->detail == m_code)
            ++m_count;
        return false;
    }

private:
    xcb_keycode_t m_code = 0;
    int m_count = 0;
};

} // namespace

// The shortcut on a real X server: xdotool presses the keys as a user would,
// with no window of this program shown.
class QxtGlobalShortcutX11Test : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void firesAnywhereWhateverTheLockKeys_data();
    void firesAnywhereWhateverTheLockKeys();
    void heldKeyFiresOncePerPress();
    void shiftedCharacterFiresWithItsShift_data();
    void shiftedCharacterFiresWithItsShift();
    void aCombinationHeldByAnotherProgramIsReported();
    void destructionGivesTheKeyBack();
    void aSequenceWithoutAKeyIsRefused_data();
    void aSequenceWithoutAKeyIsRefused();
};

void QxtGlobalShortcutX11Test::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server (DISPLAY)");
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        QSKIP("needs xdotool");
}

void QxtGlobalShortcutX11Test::firesAnywhereWhateverTheLockKeys_data()
{
    QTest::addColumn<QString>("lock");
    QTest::newRow("no lock") << QString();
    QTest::newRow("caps lock") << QStringLiteral("Caps_Lock");
    QTest::newRow("num lock") << QStringLiteral("Num_Lock");
}

void QxtGlobalShortcutX11Test::firesAnywhereWhateverTheLockKeys()
{
    QFETCH(QString, lock);
    QxtGlobalShortcut shortcut(
        QKeySequence::fromString(QStringLiteral("ctrl+alt+x"), QKeySequence::NativeText));
    QVERIFY(shortcut.isRegistered());
    QSignalSpy activated(&shortcut, &QxtGlobalShortcut::activated);
    if (!lock.isEmpty())
        xdotool({QStringLiteral("key"), lock});

    // Other combinations of the key pass by; events arrive in order, so the
    // count after the grabbed press shows that they did not fire.
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+x"), QStringLiteral("alt+x"),
             QStringLiteral("ctrl+alt+y"), QStringLiteral("ctrl+alt+x")});
    QTRY_COMPARE(activated.count(), 1);
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+x")});
    QTRY_COMPARE(activated.count(), 2);

    if (!lock.isEmpty())
        xdotool({QStringLiteral("key"), lock});
}

// The server repeats a held key as release and press pairs; only the first
// press is the user's.
void QxtGlobalShortcutX11Test::heldKeyFiresOncePerPress()
{
    QxtGlobalShortcut shortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_H));
    QVERIFY(shortcut.isRegistered());
    QSignalSpy activated(&shortcut, &QxtGlobalShortcut::activated);
    const KeyPressCounter presses('h');

    xdotool({QStringLiteral("keydown"), QStringLiteral("ctrl+alt+h")});
    QTRY_VERIFY2_WITH_TIMEOUT(presses.count() >= 4, "the X server repeated no key", 10000);
    xdotool({QStringLiteral("keyup"), QStringLiteral("ctrl+alt+h")});
    // A new press after the release counts again; nothing else came between.
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+h")});
    QTRY_VERIFY(activated.count() >= 2);
    QCOMPARE(activated.count(), 2);
}

void QxtGlobalShortcutX11Test::shiftedCharacterFiresWithItsShift_data()
{
    QTest::addColumn<QString>("sequence");
    QTest::addColumn<QString>("unshifted"); // the same key without Shift (US layout)
    QTest::addColumn<QString>("shifted");
    QTest::newRow("@") << "Ctrl+Alt+@" << "ctrl+alt+2" << "ctrl+alt+shift+2";
    QTest::newRow(":") << "Ctrl+Alt+:" << "ctrl+alt+semicolon" << "ctrl+alt+shift+semicolon";
    QTest::newRow("?") << "Ctrl+Alt+?" << "ctrl+alt+slash" << "ctrl+alt+shift+slash";
}

// The boss-key editor stores characters that take Shift to type: the
// combination that fires is the one that types the character.
void QxtGlobalShortcutX11Test::shiftedCharacterFiresWithItsShift()
{
    QFETCH(QString, sequence);
    QFETCH(QString, unshifted);
    QFETCH(QString, shifted);
    QxtGlobalShortcut shortcut(QKeySequence::fromString(sequence, QKeySequence::NativeText));
    QVERIFY(shortcut.isRegistered());
    QSignalSpy activated(&shortcut, &QxtGlobalShortcut::activated);

    xdotool({QStringLiteral("key"), shifted, unshifted, shifted});
    QTRY_COMPARE(activated.count(), 2);
}

void QxtGlobalShortcutX11Test::aCombinationHeldByAnotherProgramIsReported()
{
    OtherClient other;
    QVERIFY(other.grab('k'));
    QTest::ignoreMessage(QtDebugMsg,
                         QRegularExpression(QStringLiteral("already grabbed by another program")));
    QTest::ignoreMessage(QtDebugMsg,
                         QRegularExpression(QStringLiteral("global shortcut not registered")));
    QxtGlobalShortcut shortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_K));
    QVERIFY(!shortcut.isRegistered());
}

void QxtGlobalShortcutX11Test::destructionGivesTheKeyBack()
{
    OtherClient other;
    {
        QxtGlobalShortcut shortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_J));
        QVERIFY(shortcut.isRegistered());
        QVERIFY(!other.grab('j'));
    }
    QVERIFY(other.grab('j'));
}

void QxtGlobalShortcutX11Test::aSequenceWithoutAKeyIsRefused_data()
{
    QTest::addColumn<QKeySequence>("sequence");
    QTest::newRow("empty") << QKeySequence();
    QTest::newRow("modifiers only") << QKeySequence(Qt::CTRL | Qt::Key_Alt);
    QTest::newRow("unparsable") << QKeySequence::fromString(QStringLiteral("ctrl+alt+nokey"),
                                                            QKeySequence::NativeText);
}

void QxtGlobalShortcutX11Test::aSequenceWithoutAKeyIsRefused()
{
    QFETCH(QKeySequence, sequence);
    QTest::ignoreMessage(QtDebugMsg,
                         QRegularExpression(QStringLiteral("global shortcut without a key")));
    QxtGlobalShortcut shortcut(sequence);
    QVERIFY(!shortcut.isRegistered());
}

// Without an X server the application starts offscreen and the test skips.
int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QxtGlobalShortcutX11Test test;
    return QTest::qExec(&test, argc, argv);
}
#include "QxtGlobalShortcutX11Test.moc"
