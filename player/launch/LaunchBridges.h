#pragma once

#include <QString>
#include <QStringList>

class QObject;

// The callbacks that the guest-service library and the GL renderer call with
// the main window as user data (a QObject*). Each runs on its caller's
// thread and does nothing but emit one signal of that object (plus the
// engine switch of guestReady), so the object's connections carry the event
// to the GUI thread. The signals are looked up by name: any QObject that
// declares them serves (LaunchBridgeTarget is the reference declaration).
// A null user data or a missing signal is logged and ignored.
namespace LaunchBridges {

// renderer setRotationCallback: onRotationChanged(float).
void rotationChanged(void *target, float rotation);
// misc_set_callback: logs "misc connected show opengl", onSetShowOpenGLWidget(true),
// then switches the guest's key-mapping engine on.
void guestReady(void *target);
// misc_set_disconnected_callback: logs "misc connection lost",
// onGuestConnectionLost().
void guestConnectionLost(void *target);
// misc_set_engine_callbacks: onSetMouseCanLock(int).
void mouseCanLock(void *target, int value);
// misc_set_engine_enabled_callback: onSetEngineEnabled(value != 0).
void engineEnabled(void *target, int value);
// pm_set_callback: onPmInstallBegin(QString) and onPmInstallEnd(QString, int).
// The library's text is valid during the call only: the signal carries a
// copy (decoded as UTF-8).
void pmInstallBegin(void *target, const char *packageName);
void pmInstallEnd(void *target, const char *packageName, int success);
// clipboard_start (text first): logs "android get clip data" and the text,
// onAndroidClipData(QString).
void androidClipData(QString text, void *target);

// The normalised signatures of the eight signals.
QStringList requiredSignals();
// Those that target does not declare as signals.
QStringList missingSignals(const QObject *target);

} // namespace LaunchBridges
