#pragma once

#include <QObject>
#include <QString>

// The signals through which the launch bridges (LaunchBridges.h) report
// guest and renderer events. The bridges find the signals by name, so the
// main window, which cannot derive from a second QObject class, declares the
// same eight signals itself; this class is the reference declaration and
// serves where no window exists.
//
// The bridges emit on the caller's thread (service-library and renderer
// threads); receivers connected with the automatic type get every signal on
// their own thread. Texts are copies, valid as long as the receiver wants.
class LaunchBridgeTarget : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

signals:
    void onRotationChanged(float rotation);
    void onSetShowOpenGLWidget(bool show);
    void onSetMouseCanLock(int value);
    void onSetEngineEnabled(bool enabled);
    void onPmInstallBegin(QString packageName);
    void onPmInstallEnd(QString packageName, int success);
    void onAndroidClipData(QString text);
    void onGuestConnectionLost();
};
