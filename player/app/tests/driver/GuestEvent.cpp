#include "GuestEvent.h"

bool GuestEvent::is(const char *agent, const char *dir, const char *type) const
{
    return fields.value(QStringLiteral("agent")).toString() == QLatin1String(agent)
           && fields.value(QStringLiteral("dir")).toString() == QLatin1String(dir)
           && fields.value(QStringLiteral("type")).toString() == QLatin1String(type);
}

GuestEventMatch connected(const QString &link)
{
    return [link](const GuestEvent &event) {
        return event.is("guest", "out", "connected") && event.fields.value(QStringLiteral("link")).toString() == link;
    };
}

GuestEventMatch key(int scan, int action)
{
    return [scan, action](const GuestEvent &event) {
        return event.is("vinput", "in", "key") && event.value("scan") == scan && event.value("action") == action;
    };
}

GuestEventMatch touch(int x, int y, int action)
{
    return [x, y, action](const GuestEvent &event) {
        return event.is("vinput", "in", "touch") && event.value("x") == x && event.value("y") == y
               && event.value("action") == action;
    };
}

QSet<int> keysHeldInTheGuest(const QList<GuestEvent> &events)
{
    QSet<int> held;
    for (const GuestEvent &event : events) {
        if (connected(QStringLiteral("vinput"))(event))
            held.clear();
        if (!event.is("vinput", "in", "key"))
            continue;
        if (event.value("action") == 0)
            held.insert(event.value("scan"));
        else
            held.remove(event.value("scan"));
    }
    return held;
}
