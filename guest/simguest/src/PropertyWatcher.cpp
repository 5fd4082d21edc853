#include "PropertyWatcher.h"

#include <QFile>

#include <utility>
#include <vector>

namespace {

constexpr int kPollMs = 50;
// Far above anything the engine writes; a larger file is not read.
constexpr qint64 kMaxFileBytes = 4 * 1024 * 1024;

} // namespace

PropertyWatcher::PropertyWatcher(QString path, Listener listener, QObject *parent)
    : QObject(parent), m_path(std::move(path)), m_listener(std::move(listener))
{
    m_timer.setInterval(kPollMs);
    connect(&m_timer, &QTimer::timeout, this, &PropertyWatcher::poll);
}

void PropertyWatcher::start()
{
    poll();
    m_timer.start();
}

void PropertyWatcher::poll()
{
    QFile file(m_path);
    QByteArray text;
    if (file.open(QIODevice::ReadOnly)) {
        if (file.size() > kMaxFileBytes)
            return;
        text = file.read(kMaxFileBytes);
    }
    if (text == m_lastText)
        return;
    m_lastText = text;
    simstate::Entries next =
        simstate::parseEntries(std::string_view(text.constData(), size_t(text.size())));
    std::vector<std::pair<std::string, std::optional<std::string>>> changes;
    for (const auto &[name, value] : next) {
        const auto old = m_current.find(name);
        if (old == m_current.end() || old->second != value)
            changes.emplace_back(name, value);
    }
    for (const auto &entry : m_current) {
        if (!next.count(entry.first))
            changes.emplace_back(entry.first, std::nullopt);
    }
    // The listener sees the new set through current().
    m_current = std::move(next);
    for (const auto &[name, value] : changes)
        m_listener(name, value);
}
