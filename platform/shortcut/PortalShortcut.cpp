#include "PortalShortcut.h"

#include "GlobalKeyGrab.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDebug>
#include <QKeySequence>

#include <optional>

// One shortcut as BindShortcuts takes it and the portal reports it: its id
// and its properties, (sa{sv}).
struct PortalShortcutEntry
{
    QString id;
    QVariantMap properties;
};
Q_DECLARE_METATYPE(PortalShortcutEntry)

QDBusArgument &operator<<(QDBusArgument &argument, const PortalShortcutEntry &entry)
{
    argument.beginStructure();
    argument << entry.id << entry.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, PortalShortcutEntry &entry)
{
    argument.beginStructure();
    argument >> entry.id >> entry.properties;
    argument.endStructure();
    return argument;
}

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kRequestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString kSessionInterface = QStringLiteral("org.freedesktop.portal.Session");
const QString kShortcutId = QStringLiteral("shortcut");
constexpr uint kSuccess = 0;

struct KeyName
{
    int qtKey;
    const char *name;
};

// Triggers name keys by their xkbcommon key symbol names.
constexpr KeyName kKeyNames[] = {
    {Qt::Key_Space, "space"},         {Qt::Key_Exclam, "exclam"},
    {Qt::Key_QuoteDbl, "quotedbl"},   {Qt::Key_NumberSign, "numbersign"},
    {Qt::Key_Dollar, "dollar"},       {Qt::Key_Percent, "percent"},
    {Qt::Key_Ampersand, "ampersand"}, {Qt::Key_Apostrophe, "apostrophe"},
    {Qt::Key_ParenLeft, "parenleft"}, {Qt::Key_ParenRight, "parenright"},
    {Qt::Key_Asterisk, "asterisk"},   {Qt::Key_Plus, "plus"},
    {Qt::Key_Comma, "comma"},         {Qt::Key_Minus, "minus"},
    {Qt::Key_Period, "period"},       {Qt::Key_Slash, "slash"},
    {Qt::Key_Colon, "colon"},         {Qt::Key_Semicolon, "semicolon"},
    {Qt::Key_Less, "less"},           {Qt::Key_Equal, "equal"},
    {Qt::Key_Greater, "greater"},     {Qt::Key_Question, "question"},
    {Qt::Key_At, "at"},               {Qt::Key_BracketLeft, "bracketleft"},
    {Qt::Key_Backslash, "backslash"}, {Qt::Key_BracketRight, "bracketright"},
    {Qt::Key_AsciiCircum, "asciicircum"}, {Qt::Key_Underscore, "underscore"},
    {Qt::Key_QuoteLeft, "grave"},     {Qt::Key_BraceLeft, "braceleft"},
    {Qt::Key_Bar, "bar"},             {Qt::Key_BraceRight, "braceright"},
    {Qt::Key_AsciiTilde, "asciitilde"}, {Qt::Key_Escape, "Escape"},
    {Qt::Key_Tab, "Tab"},             {Qt::Key_Backspace, "BackSpace"},
    {Qt::Key_Return, "Return"},       {Qt::Key_Enter, "KP_Enter"},
    {Qt::Key_Insert, "Insert"},       {Qt::Key_Delete, "Delete"},
    {Qt::Key_Pause, "Pause"},         {Qt::Key_Print, "Print"},
    {Qt::Key_Home, "Home"},           {Qt::Key_End, "End"},
    {Qt::Key_Left, "Left"},           {Qt::Key_Up, "Up"},
    {Qt::Key_Right, "Right"},         {Qt::Key_Down, "Down"},
    {Qt::Key_PageUp, "Page_Up"},      {Qt::Key_PageDown, "Page_Down"},
    {Qt::Key_ScrollLock, "Scroll_Lock"}, {Qt::Key_Menu, "Menu"},
};

QString keyName(int qtKey)
{
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return QString(QChar(qtKey - Qt::Key_A + 'a'));
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return QString(QChar(qtKey));
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F35)
        return QStringLiteral("F%1").arg(qtKey - Qt::Key_F1 + 1);
    for (const KeyName &key : kKeyNames) {
        if (key.qtKey == qtKey)
            return QLatin1String(key.name);
    }
    return QString();
}

// The combination as the portal's preferred_trigger takes it: modifiers,
// then the key's symbol name, joined by "+" ("CTRL+ALT+x"). Empty when the
// key has no such name.
QString portalTrigger(int qtKey, Qt::KeyboardModifiers modifiers)
{
    const QString key = keyName(qtKey);
    if (key.isEmpty())
        return QString();
    QStringList parts;
    if (modifiers & Qt::ControlModifier)
        parts << QStringLiteral("CTRL");
    if (modifiers & Qt::AltModifier)
        parts << QStringLiteral("ALT");
    if (modifiers & Qt::ShiftModifier)
        parts << QStringLiteral("SHIFT");
    if (modifiers & Qt::MetaModifier)
        parts << QStringLiteral("LOGO");
    parts << key;
    return parts.join(QLatin1Char('+'));
}

// Tokens name the requests and sessions of this connection.
QString nextToken()
{
    static int next = 0;
    return QStringLiteral("shortcut%1").arg(++next);
}

// Where the portal puts the request a call with token opens.
QString requestPath(const QDBusConnection &bus, const QString &token)
{
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return kPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
}

// The trigger the desktop gave the shortcut, from a list of shortcuts
// (a(sa{sv})) as the portal sends it; nothing when the list lacks it or is
// not such a list.
std::optional<QString> triggerOf(const QVariant &value)
{
    if (value.userType() != qMetaTypeId<QDBusArgument>())
        return std::nullopt;
    const QDBusArgument argument = value.value<QDBusArgument>();
    if (argument.currentSignature() != QLatin1String("a(sa{sv})"))
        return std::nullopt;
    QList<PortalShortcutEntry> entries;
    argument >> entries;
    for (const PortalShortcutEntry &entry : entries) {
        if (entry.id == kShortcutId)
            return entry.properties.value(QStringLiteral("trigger_description")).toString();
    }
    return std::nullopt;
}

QString objectPathText(const QVariant &value)
{
    if (value.userType() == qMetaTypeId<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.toString();
}

} // namespace

PortalShortcut::PortalShortcut(int qtKey, Qt::KeyboardModifiers modifiers, std::function<void()> pressed)
    : m_qtKey(qtKey), m_modifiers(modifiers), m_pressed(std::move(pressed))
{
    qDBusRegisterMetaType<PortalShortcutEntry>();
    qDBusRegisterMetaType<QList<PortalShortcutEntry>>();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        notOffered(QStringLiteral("no session bus"));
        return;
    }
    for (const char *name : {"Activated", "ShortcutsChanged"})
        bus.connect(kService, kPath, kInterface, QLatin1String(name), this, SLOT(portalSignal(QDBusMessage)));
    const QString token = nextToken();
    const QVariantMap options{{QStringLiteral("handle_token"), token},
                              {QStringLiteral("session_handle_token"), nextToken()}};
    request(QStringLiteral("CreateSession"), {options}, token, SLOT(sessionCreated(uint, QVariantMap)));
}

// The desktop forgets the shortcut with its session.
PortalShortcut::~PortalShortcut()
{
    if (m_sessionHandle.isEmpty())
        return;
    QDBusConnection::sessionBus().send(
        QDBusMessage::createMethodCall(kService, m_sessionHandle, kSessionInterface, QStringLiteral("Close")));
}

bool PortalShortcut::held() const
{
    return !m_notOffered || (m_standIn && m_standIn->held());
}

// The Response is followed before the call goes out, so that a quick
// answer is not missed.
void PortalShortcut::request(const QString &method, const QList<QVariant> &arguments, const QString &token,
                             const char *responseSlot)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    m_requestPath = requestPath(bus, token);
    followResponse(m_requestPath, responseSlot, true);
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    call.setArguments(arguments);
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    const QString predicted = m_requestPath;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, method, responseSlot, predicted](QDBusPendingCallWatcher *finished) {
                finished->deleteLater();
                const QDBusPendingReply<QDBusObjectPath> reply = *finished;
                if (reply.isError()) {
                    followResponse(predicted, responseSlot, false);
                    notOffered(method + QStringLiteral(" failed: ") + reply.error().message());
                    return;
                }
                // A portal that ignores the token names the request itself.
                // When the Response came before this reply, the next request
                // has begun already and this one is answered.
                const QString path = reply.value().path();
                if (path == predicted || m_requestPath != predicted)
                    return;
                followResponse(predicted, responseSlot, false);
                m_requestPath = path;
                followResponse(path, responseSlot, true);
            });
}

void PortalShortcut::followResponse(const QString &requestPath, const char *responseSlot, bool follow)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString name = QStringLiteral("Response");
    if (follow)
        bus.connect(kService, requestPath, kRequestInterface, name, this, responseSlot);
    else
        bus.disconnect(kService, requestPath, kRequestInterface, name, this, responseSlot);
}

void PortalShortcut::sessionCreated(uint response, const QVariantMap &results)
{
    followResponse(m_requestPath, SLOT(sessionCreated(uint, QVariantMap)), false);
    if (response != kSuccess) {
        notOffered(QStringLiteral("the portal refused the session, response %1").arg(response));
        return;
    }
    m_sessionHandle = objectPathText(results.value(QStringLiteral("session_handle")));
    if (m_sessionHandle.isEmpty()) {
        notOffered(QStringLiteral("the portal gave no session"));
        return;
    }
    QDBusConnection::sessionBus().connect(kService, m_sessionHandle, kSessionInterface, QStringLiteral("Closed"),
                                          this, SLOT(portalSignal(QDBusMessage)));
    bindShortcut();
}

void PortalShortcut::bindShortcut()
{
    const QKeySequence sequence(int(m_modifiers) | m_qtKey);
    QVariantMap properties{{QStringLiteral("description"),
                            QCoreApplication::applicationName() + QStringLiteral(": ") + sequence.toString()}};
    const QString trigger = portalTrigger(m_qtKey, m_modifiers);
    if (trigger.isEmpty())
        qDebug() << "global shortcut key has no name for the desktop portal" << Qt::hex << m_qtKey;
    else
        properties.insert(QStringLiteral("preferred_trigger"), trigger);
    const QList<PortalShortcutEntry> shortcuts{{kShortcutId, properties}};
    const QString token = nextToken();
    request(QStringLiteral("BindShortcuts"),
            {QVariant::fromValue(QDBusObjectPath(m_sessionHandle)), QVariant::fromValue(shortcuts), QString(),
             QVariantMap{{QStringLiteral("handle_token"), token}}},
            token, SLOT(shortcutBound(uint, QVariantMap)));
}

void PortalShortcut::shortcutBound(uint response, const QVariantMap &results)
{
    followResponse(m_requestPath, SLOT(shortcutBound(uint, QVariantMap)), false);
    if (response != kSuccess) {
        notOffered(QStringLiteral("the portal refused the shortcut, response %1").arg(response));
        return;
    }
    setDesktopOffersShortcuts(true);
    const std::optional<QString> trigger = triggerOf(results.value(QStringLiteral("shortcuts")));
    qDebug() << "global shortcut bound by the desktop portal, trigger" << trigger.value_or(QStringLiteral("none"));
}

// Activated and ShortcutsChanged of the portal, and the session's Closed.
void PortalShortcut::portalSignal(const QDBusMessage &message)
{
    if (m_sessionHandle.isEmpty())
        return;
    if (message.member() == QLatin1String("Closed")) {
        notOffered(QStringLiteral("the portal closed the session"));
        m_sessionHandle.clear();
        return;
    }
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 2 || objectPathText(arguments[0]) != m_sessionHandle)
        return;
    if (message.member() == QLatin1String("Activated")) {
        if (arguments[1].toString() == kShortcutId)
            m_pressed();
        return;
    }
    if (const std::optional<QString> trigger = triggerOf(arguments[1]))
        qDebug() << "global shortcut trigger changed by the desktop" << *trigger;
}

void PortalShortcut::notOffered(const QString &reason)
{
    if (m_notOffered)
        return;
    m_notOffered = true;
    qDebug() << "the desktop does not offer global shortcuts to this program:" << reason;
    setDesktopOffersShortcuts(false);
    m_standIn = std::make_unique<GlobalKeyGrab>(m_qtKey, m_modifiers, m_pressed);
    if (m_standIn->held())
        qDebug() << "global shortcut held as an X key grab instead, which fires only while an X11 window has the focus";
}
