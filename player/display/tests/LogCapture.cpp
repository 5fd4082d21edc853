#include "LogCapture.h"

#include <mutex>

namespace {

std::mutex g_mutex;
QStringList g_messages;
QtMessageHandler g_previous = nullptr;

void record(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    QtMessageHandler previous = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_messages << message;
        previous = g_previous;
    }
    if (previous != nullptr)
        previous(type, context, message);
}

} // namespace

LogCapture::LogCapture()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_messages.clear();
    g_previous = qInstallMessageHandler(record);
}

LogCapture::~LogCapture()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    qInstallMessageHandler(g_previous);
}

QStringList LogCapture::messages() const
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_messages;
}

int LogCapture::count(const QString &text) const
{
    return messages().count(text);
}

QStringList LogCapture::startingWith(const QString &prefix) const
{
    QStringList found;
    for (const QString &message : messages()) {
        if (message.startsWith(prefix))
            found << message;
    }
    return found;
}
