#pragma once

#include <SimStateFormat.h>

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>
#include <string>

// Follows the guest properties the engine keeps in the state folder: the
// file is replaced whole on every change, so re-reading it every 50 ms sees a
// change well within the engine's 200 ms promise. Reports each property that
// appears, changes or goes away.
class PropertyWatcher : public QObject
{
    Q_OBJECT

public:
    // value is empty when the property went away.
    using Listener =
        std::function<void(const std::string &name, const std::optional<std::string> &value)>;

    PropertyWatcher(QString path, Listener listener, QObject *parent = nullptr);

    // Reads the file now (and reports); then every interval.
    void start();

    const simstate::Entries &current() const { return m_current; }

private:
    void poll();

    const QString m_path;
    const Listener m_listener;
    QByteArray m_lastText;
    simstate::Entries m_current;
    QTimer m_timer;
};
