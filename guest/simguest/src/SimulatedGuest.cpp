#include "SimulatedGuest.h"

#include "AgentLink.h"
#include "ControlCommand.h"
#include "ControlServer.h"
#include "DisplayStreamer.h"
#include "EventJson.h"
#include "EventLog.h"
#include "Inbox.h"
#include "InstallHandler.h"
#include "PropertyWatcher.h"
#include "ScreenGeometry.h"
#include "ScreenLayout.h"
#include "ScreenPainter.h"

#include <guestproto/ClipboardDecoder.h>
#include <guestproto/GuestMessages.h>
#include <guestproto/InputMethodDecoder.h>
#include <guestproto/MiscDecoder.h>
#include <guestproto/VirtualInputDecoder.h>
#include <guestproto/WireCodes.h>

#include <QDir>

#include <cstdio>

namespace {

constexpr int kKeyBack = 158;
constexpr int kKeyHome = 172;
constexpr int kKeyRecents = 254;
constexpr int kPress = 0;
constexpr int kTouchDown = 0;
constexpr int kNoticeMs = 3000;
constexpr int kMaxRecents = 8;
constexpr int kFolderCheckMs = 500;
constexpr char kEventsFile[] = "events.jsonl";
constexpr char kControlSocket[] = "control.sock";

template <typename... Visitors> struct Overloaded : Visitors...
{
    using Visitors::operator()...;
};
template <typename... Visitors> Overloaded(Visitors...) -> Overloaded<Visitors...>;

QString fromWire(const std::string &bytes)
{
    return events::textFromWire(bytes);
}

std::optional<std::uint16_t> parsePort(const std::string &text)
{
    bool ok = false;
    const int port = QString::fromStdString(text).toInt(&ok);
    if (!ok || port < 1 || port > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(port);
}

} // namespace

SimulatedGuest::SimulatedGuest(GuestOptions options, QObject *parent)
    : QObject(parent), m_options(std::move(options))
{
    m_renderTimer.setInterval(1000 / m_options.framesPerSecond);
    connect(&m_renderTimer, &QTimer::timeout, this, &SimulatedGuest::renderIfChanged);
    m_bootTimer.setSingleShot(true);
    m_bootTimer.setInterval(m_options.bootDelayMs);
    connect(&m_bootTimer, &QTimer::timeout, this, &SimulatedGuest::boot);
    m_noticeTimer.setSingleShot(true);
    m_noticeTimer.setInterval(kNoticeMs);
    connect(&m_noticeTimer, &QTimer::timeout, this, [this] {
        m_state.notice.clear();
        changed();
    });
    m_folderTimer.setInterval(kFolderCheckMs);
    connect(&m_folderTimer, &QTimer::timeout, this, &SimulatedGuest::endIfFolderGone);
    for (const char *agent :
         {events::kVinput, events::kMisc, events::kClipboard, events::kIme, events::kGl})
        m_state.links.insert(QString::fromLatin1(agent), false);
}

SimulatedGuest::~SimulatedGuest()
{
    stop();
}

QString SimulatedGuest::stateFile(const char *name) const
{
    return QDir(m_options.stateFolder).filePath(QString::fromLatin1(name));
}

void SimulatedGuest::post(std::function<void()> function)
{
    m_inbox->post(std::move(function));
}

bool SimulatedGuest::start(QString *error)
{
    m_log = std::make_unique<EventLog>(stateFile(kEventsFile));
    if (!m_log->isOpen()) {
        *error = QStringLiteral("cannot write %1").arg(stateFile(kEventsFile));
        return false;
    }
    m_inbox = new Inbox(this);
    if (!m_inbox->isValid()) {
        *error = QStringLiteral("cannot create the connections' inbox");
        return false;
    }
    m_control =
        new ControlServer([this](const QByteArray &line) { return runControl(line); }, this);
    QString controlError;
    if (!m_control->listen(stateFile(kControlSocket), &controlError))
        std::fprintf(stderr, "no control socket: %s\n", qPrintable(controlError));

    createLinks();
    m_properties = new PropertyWatcher(
        stateFile(simstate::kPropertiesFile),
        [this](const std::string &name, const std::optional<std::string> &value) {
            onProperty(name, value);
        },
        this);
    m_properties->start();
    renderIfChanged();
    m_display->start();
    m_vinput->start();
    m_misc->start();
    m_clipboard->start();
    m_ime->start();
    m_renderTimer.start();
    m_bootTimer.start();
    m_folderTimer.start();
    return true;
}

void SimulatedGuest::stop()
{
    if (m_stopped)
        return;
    m_stopped = true;
    m_renderTimer.stop();
    m_bootTimer.stop();
    m_folderTimer.stop();
    for (AgentLink *link : {m_vinput.get(), m_misc.get(), m_clipboard.get(), m_ime.get()}) {
        if (link)
            link->stop();
    }
    if (m_display)
        m_display->stop();
}

// A machine whose state folder is gone (deleted with the test or the
// instance that owned it) has no one left to stop it: it ends itself.
void SimulatedGuest::endIfFolderGone()
{
    if (QDir(m_options.stateFolder).exists())
        return;
    std::fprintf(stderr, "the state folder is gone, ending\n");
    m_folderTimer.stop();
    emit quitRequested();
}

void SimulatedGuest::createLinks()
{
    const std::string host = m_options.host.toStdString();
    auto callbacks = [this](const char *agent) {
        const QString name = QString::fromLatin1(agent);
        return AgentLink::Callbacks{
            [this, name] { post([this, name] { onLinkChanged(name, true); }); },
            [this, name] { post([this, name] { onLinkChanged(name, false); }); }};
    };
    auto vinput = std::make_unique<DecodingConsumer<guest::VirtualInputDecoder>>(
        [this](guest::VirtualInputMessage message) {
            m_log->write(events::kVinput, events::kIn, guest::eventType(message),
                         events::fieldsOf(message));
            post([this, message] { onVirtualInput(message); });
        });
    auto misc =
        std::make_unique<DecodingConsumer<guest::MiscDecoder>>([this](guest::MiscMessage message) {
            m_log->write(events::kMisc, events::kIn, guest::eventType(message),
                         events::fieldsOf(message));
            post([this, message] { onMisc(message); });
        });
    auto clipboard =
        std::make_unique<DecodingConsumer<guest::ClipboardDecoder>>([this](std::string text) {
            m_log->write(events::kClipboard, events::kIn, "clipboard", {{"text", fromWire(text)}});
            post([this, text] { onHostClipboard(text); });
        });
    auto ime =
        std::make_unique<DecodingConsumer<guest::InputMethodDecoder>>([this](std::string text) {
            m_log->write(events::kIme, events::kIn, "text", {{"text", fromWire(text)}});
            post([this, text] { onInputMethodText(text); });
        });
    m_vinput = std::make_unique<AgentLink>(events::kVinput, host, *m_log, std::move(vinput),
                                           callbacks(events::kVinput));
    m_misc = std::make_unique<AgentLink>(events::kMisc, host, *m_log, std::move(misc),
                                         callbacks(events::kMisc));
    m_clipboard = std::make_unique<AgentLink>(events::kClipboard, host, *m_log,
                                              std::move(clipboard), callbacks(events::kClipboard));
    m_ime = std::make_unique<AgentLink>(events::kIme, host, *m_log, std::move(ime),
                                        callbacks(events::kIme));
    m_display = std::make_unique<DisplayStreamer>(*m_log, m_options.framesPerSecond);
    m_vinput->setPort(guest::kVirtualInputPort);
    m_misc->setPort(guest::kMiscPort);
    m_clipboard->setPort(guest::kClipboardPort);
}

void SimulatedGuest::onProperty(const std::string &name, const std::optional<std::string> &value)
{
    const QString qname = QString::fromStdString(name);
    m_log->write(events::kGuest, events::kIn, "property",
                 {{"name", qname},
                  {"value", value ? QJsonValue(QString::fromStdString(*value)) : QJsonValue()}});
    const QString text = value ? QString::fromStdString(*value) : QString();
    if (qname == QLatin1String("tavenor.gles.addr")) {
        if (const auto address = DisplayStreamer::parseAddress(value.value_or(std::string())))
            m_display->setAddress(*address);
        else if (value)
            std::fprintf(stderr, "ignoring the display address \"%s\"\n", value->c_str());
    } else if (qname == QLatin1String("tavenor.ime.port")) {
        const auto port = parsePort(value.value_or(std::string()));
        if (!port && value)
            std::fprintf(stderr, "ignoring the input-method port \"%s\"\n", value->c_str());
        m_ime->setPort(port.value_or(0));
    } else if (qname == QLatin1String("tavenor.brand")) {
        m_state.brand = text;
    } else if (qname == QLatin1String("tavenor.model")) {
        m_state.model = text;
    } else if (qname == QLatin1String("tavenor.imei")) {
        m_state.imei = text;
    } else if (qname == QLatin1String("tavenor.phonenumber")) {
        m_state.phoneNumber = text;
    } else if (qname == QLatin1String("tavenor.dpi")) {
        m_state.dpi = text;
    } else if (qname == QLatin1String("tavenor.gps.status")) {
        m_state.gpsOn = text == QLatin1String("enable");
    } else if (qname == QLatin1String("tavenor.gps.longitude") ||
               qname == QLatin1String("tavenor.gps.latitude")) {
        const simstate::Entries &all = m_properties->current();
        const auto longitude = all.find("tavenor.gps.longitude");
        const auto latitude = all.find("tavenor.gps.latitude");
        if (longitude != all.end() && latitude != all.end())
            m_state.gpsFix = QStringLiteral("%1,%2").arg(QString::fromStdString(longitude->second),
                                                         QString::fromStdString(latitude->second));
    } else {
        return;
    }
    changed();
}

void SimulatedGuest::onLinkChanged(const QString &agent, bool connected)
{
    m_state.links[agent] = connected;
    changed();
    // Every connection of a booted guest's misc agent begins with guest ready.
    if (agent == QLatin1String(events::kMisc) && connected && m_state.booted)
        sendReady();
}

void SimulatedGuest::boot()
{
    m_state.booted = true;
    changed();
    if (!sendReady())
        std::fprintf(stderr, "booted; guest ready goes out once misc connects\n");
}

bool SimulatedGuest::sendReady()
{
    return m_misc->send(guest::encodeGuestReady(1), "ready");
}

bool SimulatedGuest::sendClipboard(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    if (bytes.size() > qsizetype(guest::kClipboardTextMax))
        return false;
    if (!m_clipboard->send(
            guest::encodeClipboard(std::string_view(bytes.constData(), size_t(bytes.size()))),
            "clipboard", {{"text", text}}))
        return false;
    m_state.clipboard = text;
    changed();
    return true;
}

bool SimulatedGuest::sendMouseLock(bool allowed)
{
    if (!m_misc->send(guest::encodeMouseLock(allowed ? 1 : 0), "mouse_lock",
                      {{"value", allowed ? 1 : 0}}))
        return false;
    m_state.mouseLockAllowed = allowed;
    changed();
    return true;
}

// A real engine reports its state when it changes, never an unchanged one:
// answering every engine command would ping-pong with a host that passes
// each report back as a command.
bool SimulatedGuest::sendEngineState(bool enabled)
{
    if (enabled == m_state.engineEnabled)
        return true;
    m_state.engineEnabled = enabled;
    changed();
    return m_misc->send(guest::encodeEngineState(enabled), "engine_state",
                        {{"enabled", enabled ? 1 : 0}});
}

void SimulatedGuest::setRotation(int degrees)
{
    if (degrees == m_state.rotation)
        return;
    m_state.rotation = degrees;
    m_log->write(events::kGuest, events::kOut, "rotate", {{"degrees", degrees}});
    changed();
}

void SimulatedGuest::showNotice(const QString &text)
{
    m_state.notice = text;
    m_noticeTimer.start();
    changed();
}

void SimulatedGuest::onVirtualInput(const guest::VirtualInputMessage &message)
{
    std::visit(
        Overloaded{
            [this](const guest::KeyInput &m) { onKey(m.scan, m.action); },
            [this](const guest::TouchInput &m) { onTouch(m.x, m.y, m.contact, m.action); },
            [this](const guest::WheelInput &m) {
                m_state.lastWheel =
                    QStringLiteral("%1,%2 at %3,%4").arg(m.dx).arg(m.dy).arg(m.x).arg(m.y);
            },
            [](const guest::TouchConfig &) {},
            [this](const guest::MouseOffset &m) {
                m_state.cursor.setX(
                    std::clamp(m_state.cursor.x() + m.dx, 0, screen::kFrameWidth - 1));
                m_state.cursor.setY(
                    std::clamp(m_state.cursor.y() + m.dy, 0, screen::kFrameHeight - 1));
            },
            [this](const guest::MouseLeftButton &m) { m_state.mouseLeftDown = m.action == kPress; },
            [this](const guest::MouseRightButton &m) { m_state.rightButton = m.b; },
            [this](const guest::ZoomInput &m) {
                m_state.lastZoom = QStringLiteral("%1 at %2,%3").arg(m.step).arg(m.x).arg(m.y);
                m_state.zoomLevel = std::clamp(m_state.zoomLevel + m.step, -1000, 1000);
            },
        },
        message);
    changed();
}

void SimulatedGuest::onKey(int scan, int action)
{
    m_state.lastKey = QStringLiteral("%1 %2").arg(scan).arg(
        action == kPress ? QStringLiteral("down") : QStringLiteral("up"));
    if (action == kPress && m_state.booted) {
        if (scan == kKeyBack)
            goBack();
        else if (scan == kKeyHome)
            goHome();
        else if (scan == kKeyRecents)
            m_state.recentsShown = !m_state.recentsShown;
    }
    if (m_textField.applyKey(scan, action))
        m_state.typed = m_textField.text();
}

void SimulatedGuest::onTouch(int x, int y, int contact, int action)
{
    const QPoint framePoint(x, y);
    m_state.touches.push_back({framePoint, contact, action});
    while (m_state.touches.size() > ScreenState::kMaxTouchMarks)
        m_state.touches.pop_front();
    if (action != kTouchDown)
        return;
    const ScreenLayout layout = ScreenLayout::forSize(screen::layoutSize(m_state.rotation));
    press(hitTest(layout, m_state, screen::frameToLayout(m_state.rotation, framePoint)));
}

void SimulatedGuest::press(const ScreenHit &hit)
{
    using Target = ScreenHit::Target;
    switch (hit.target) {
    case Target::None:
        return;
    case Target::Back:
        goBack();
        return;
    case Target::Home:
        goHome();
        return;
    case Target::Recents:
        m_state.recentsShown = !m_state.recentsShown;
        return;
    case Target::Copy: {
        const QString text =
            m_state.typed.isEmpty() ? QStringLiteral("Hello from the guest") : m_state.typed;
        if (!sendClipboard(text))
            showNotice(QStringLiteral("Clipboard not connected"));
        return;
    }
    case Target::Rotate:
        setRotation((m_state.rotation + 90) % 360);
        return;
    case Target::Game:
        openGame();
        return;
    case Target::App:
        m_state.page = ScreenState::Page::App;
        m_state.openApp = m_state.apps.value(hit.appIndex);
        m_state.recents.removeAll(m_state.openApp);
        m_state.recents.prepend(m_state.openApp);
        while (m_state.recents.size() > kMaxRecents)
            m_state.recents.removeLast();
        return;
    case Target::EditorClose:
        m_state.editorShown = false;
        return;
    }
}

void SimulatedGuest::openGame()
{
    m_state.page = ScreenState::Page::Game;
    sendMouseLock(true);
}

void SimulatedGuest::goHome()
{
    m_state.recentsShown = false;
    m_state.editorShown = false;
    if (m_state.page == ScreenState::Page::Game)
        sendMouseLock(false);
    m_state.page = ScreenState::Page::Home;
}

void SimulatedGuest::goBack()
{
    if (m_state.editorShown) {
        m_state.editorShown = false;
    } else if (m_state.recentsShown) {
        m_state.recentsShown = false;
    } else if (m_state.page != ScreenState::Page::Home) {
        goHome();
    }
}

void SimulatedGuest::onMisc(const guest::MiscMessage &message)
{
    std::visit(Overloaded{
                   [this](const guest::Shake &) {
                       ++m_state.shakes;
                       showNotice(QStringLiteral("Shaken"));
                   },
                   [this](const guest::EngineEnable &m) { sendEngineState(m.enabled != 0); },
                   [this](const guest::ShowEngineEditor &) { m_state.editorShown = true; },
                   [this](const guest::GpsEnable &m) { m_state.gpsOn = m.on; },
                   [this](const guest::GpsFix &m) { m_state.gpsFix = fromWire(m.text); },
                   [this](const guest::InstallRequest &m) { installApp(m.file); },
               },
               message);
    changed();
}

void SimulatedGuest::installApp(const std::string &file)
{
    const install::Outcome outcome =
        install::installFromShare(stateFile(simstate::kSharesFile), file);
    const QByteArray text = install::utf8Prefix(outcome.text, install::kMaxTextBytes);
    if (outcome.result == install::kInstalled) {
        if (!m_state.apps.contains(outcome.appName))
            m_state.apps.append(outcome.appName);
        showNotice(QStringLiteral("Installed %1").arg(outcome.appName));
    } else {
        showNotice(QStringLiteral("Install failed: %1").arg(outcome.text));
    }
    m_misc->send(guest::encodeInstallResult(
                     outcome.result, std::string_view(text.constData(), size_t(text.size()))),
                 "install_result", {{"result", outcome.result}, {"text", QString::fromUtf8(text)}});
}

void SimulatedGuest::onHostClipboard(const std::string &text)
{
    m_state.clipboard = fromWire(text);
    changed();
}

void SimulatedGuest::onInputMethodText(const std::string &text)
{
    m_textField.appendText(fromWire(text));
    m_state.typed = m_textField.text();
    changed();
}

QString SimulatedGuest::runControl(const QByteArray &line)
{
    const ParsedControlCommand parsed = parseControlCommand(line);
    if (!parsed.command)
        return QStringLiteral("error: ") + parsed.error;
    return runCommand(*parsed.command);
}

QString SimulatedGuest::runCommand(const ControlCommand &command)
{
    const QString ok = QStringLiteral("ok");
    const QString miscDown = QStringLiteral("error: misc is not connected");
    switch (command.kind) {
    case ControlCommand::Kind::Clipboard: {
        if (command.text.toUtf8().size() > qsizetype(guest::kClipboardTextMax))
            return QStringLiteral("error: the text is longer than %1 bytes")
                .arg(guest::kClipboardTextMax);
        return sendClipboard(command.text) ? ok
                                           : QStringLiteral("error: clipboard is not connected");
    }
    case ControlCommand::Kind::Rotate:
        setRotation(command.value);
        return ok;
    case ControlCommand::Kind::MouseLock:
        return sendMouseLock(command.value != 0) ? ok : miscDown;
    case ControlCommand::Kind::Engine:
        return sendEngineState(command.value != 0) ? ok : miscDown;
    case ControlCommand::Kind::Ready:
        return sendReady() ? ok : miscDown;
    case ControlCommand::Kind::Drop: {
        AgentLink *link = command.agent == QLatin1String(events::kVinput)      ? m_vinput.get()
                          : command.agent == QLatin1String(events::kMisc)      ? m_misc.get()
                          : command.agent == QLatin1String(events::kClipboard) ? m_clipboard.get()
                          : command.agent == QLatin1String(events::kIme)       ? m_ime.get()
                                                                               : nullptr;
        const bool dropped = link ? link->drop() : m_display->drop();
        return dropped ? ok : QStringLiteral("error: %1 is not connected").arg(command.agent);
    }
    case ControlCommand::Kind::Quit:
        QMetaObject::invokeMethod(this, &SimulatedGuest::quitRequested, Qt::QueuedConnection);
        return ok;
    }
    return QStringLiteral("error: unknown command");
}

void SimulatedGuest::renderIfChanged()
{
    if (!m_dirty)
        return;
    m_dirty = false;
    QImage frame = paintScreen(m_state);
    // Scaled once per change; the stream sends the same image until the next.
    if (frame.size() != m_options.frameSize)
        frame = frame.scaled(m_options.frameSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                    .convertToFormat(frame.format());
    m_display->publish(std::move(frame), static_cast<std::uint32_t>(m_state.rotation));
}
