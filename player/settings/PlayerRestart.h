#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Starting the player again, for settings to take effect. The new process
// is started only once this one has given up its instance key: started any
// earlier, it would find the key still held and be refused as a second
// instance.
namespace PlayerRestart {

// The program's own executable.
QString program();
// The instance name, the only argument.
QStringList arguments();

// Marks the restart as wanted and quits the application.
void request();
bool pending();

// Starts the new process when a restart is pending (detached, no shell);
// true when it started. Called by the program entry after the instance key
// is released.
bool startPending();

// How the process is started; tests record the call instead. An empty
// starter brings back the detached start.
using Starter = std::function<bool(const QString &program, const QStringList &arguments)>;
void setStarter(Starter starter);
// Forgets a pending restart.
void reset();

} // namespace PlayerRestart
