#include "EventJson.h"

#include <QJsonDocument>

namespace events {

namespace {

template <typename... Visitors> struct Overloaded : Visitors...
{
    using Visitors::operator()...;
};
template <typename... Visitors> Overloaded(Visitors...) -> Overloaded<Visitors...>;

} // namespace

QString textFromWire(const std::string &bytes)
{
    return QString::fromUtf8(bytes.data(), static_cast<int>(bytes.size()));
}

QJsonObject fieldsOf(const guest::VirtualInputMessage &message)
{
    return std::visit(
        Overloaded{
            [](const guest::KeyInput &m) {
                return QJsonObject{{"scan", m.scan}, {"action", m.action}, {"extra", m.extra}};
            },
            [](const guest::TouchInput &m) {
                return QJsonObject{
                    {"x", m.x}, {"y", m.y}, {"contact", m.contact}, {"action", m.action}};
            },
            [](const guest::WheelInput &m) {
                return QJsonObject{{"dx", m.dx}, {"dy", m.dy}, {"x", m.x}, {"y", m.y}};
            },
            [](const guest::TouchConfig &m) {
                return QJsonObject{{"w", m.w}, {"h", m.h}};
            },
            [](const guest::MouseOffset &m) {
                return QJsonObject{{"dx", m.dx}, {"dy", m.dy}};
            },
            [](const guest::MouseLeftButton &m) {
                return QJsonObject{{"action", m.action}};
            },
            [](const guest::MouseRightButton &m) {
                return QJsonObject{{"a", m.a}, {"b", m.b}};
            },
            [](const guest::ZoomInput &m) {
                return QJsonObject{{"x", m.x}, {"y", m.y}, {"step", m.step}};
            },
        },
        message);
}

QJsonObject fieldsOf(const guest::MiscMessage &message)
{
    return std::visit(Overloaded{
                          [](const guest::Shake &) { return QJsonObject{}; },
                          [](const guest::EngineEnable &m) {
                              return QJsonObject{{"enabled", m.enabled}};
                          },
                          [](const guest::ShowEngineEditor &) { return QJsonObject{}; },
                          [](const guest::GpsEnable &m) {
                              return QJsonObject{{"on", m.on}};
                          },
                          [](const guest::GpsFix &m) {
                              return QJsonObject{{"text", textFromWire(m.text)}};
                          },
                          [](const guest::InstallRequest &m) {
                              return QJsonObject{{"file", textFromWire(m.file)}};
                          },
                      },
                      message);
}

QByteArray line(const char *agent, const char *dir, const char *type, const QJsonObject &fields)
{
    QJsonObject object = fields;
    object.insert(QStringLiteral("agent"), QString::fromLatin1(agent));
    object.insert(QStringLiteral("dir"), QString::fromLatin1(dir));
    object.insert(QStringLiteral("type"), QString::fromLatin1(type));
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace events
