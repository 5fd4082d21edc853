#pragma once

#include <QJsonObject>
#include <QList>
#include <QSet>
#include <QString>

#include <functional>

// One line of the simulated guest's events.jsonl.
struct GuestEvent
{
    QJsonObject fields;

    bool is(const char *agent, const char *dir, const char *type) const;
    int value(const char *name) const { return fields.value(QLatin1String(name)).toInt(-1); }
    QString text(const char *name) const { return fields.value(QLatin1String(name)).toString(); }
};

using GuestEventMatch = std::function<bool(const GuestEvent &)>;

// The guest's connection link (vinput, misc, clipboard, ime, gl) came up.
GuestEventMatch connected(const QString &link);
GuestEventMatch key(int scan, int action);
GuestEventMatch touch(int x, int y, int action);

// Keys the guest saw go down and not up since its last input connection.
QSet<int> keysHeldInTheGuest(const QList<GuestEvent> &events);
