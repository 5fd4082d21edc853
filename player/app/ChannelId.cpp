#include "app/ChannelId.h"

#include "app/Paths.h"

#include <QFile>
#include <QTextStream>

#include <mutex>

namespace {

constexpr char kDefaultChannelId[] = "Hd82KsPq0v";

struct ChannelCache
{
    std::mutex lock;
    QString id;
};

ChannelCache &cache()
{
    static ChannelCache instance;
    return instance;
}

} // namespace

QString readChannelId(const QString &channelFile)
{
    QString id;
    QFile file(channelFile);
    if (file.open(QIODevice::ReadOnly)) {
        QTextStream stream(&file);
        id = stream.readLine();
    }
    if (id.isEmpty())
        id = QString::fromLatin1(kDefaultChannelId);
    return id;
}

QString channelId()
{
    ChannelCache &cached = cache();
    std::lock_guard<std::mutex> locker(cached.lock);
    if (cached.id.isEmpty())
        cached.id = readChannelId(channelFilePath());
    return cached.id;
}
