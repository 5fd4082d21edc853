#pragma once

#include <QString>

class VMService;

// VMService::start()'s failure reasons, which the launch reports unchanged;
// the launch also gives kMachineNotFound when the definition cannot be
// opened.
namespace LaunchFailure {
inline constexpr int kEngineNotInitialized = 1;
inline constexpr int kEngineCommunicationFailed = 2;
inline constexpr int kMachineNotFound = 3;
inline constexpr int kMachineStartFailed = 4;
inline constexpr int kEngineLocationNotFound = 5;
} // namespace LaunchFailure

// One launch attempt for the instance (instanceName()): a registered machine
// of that name is stopped and unregistered first, so that its definition is
// opened afresh; the definition is written from the template when the data
// disk is missing or the definition does not open. A machine that cannot be
// unregistered is started as it is. 0 when the machine started, else the
// failure reason; failureDetail (if given) gets what the user should be told
// beyond the reason, translated, or is cleared.
int openAndStartMachine(VMService *vm, QString *failureDetail = nullptr);

// The detail of a launch that found the data disk unreadable.
QString unreadableDataDiskText(const QString &path);

// Stops the instance's machine (name, or the current machine when the
// lookup fails), trying a failed stop once more, and unregisters it. What
// fails is logged.
void stopAndUnregisterMachine(VMService &vm, const QString &name);
