#include "launch/LaunchBridges.h"

#include <service/misc.h>

#include <QDebug>
#include <QMetaObject>
#include <QObject>

namespace LaunchBridges {

namespace {

// Invoking a signal directly emits it on this thread; Qt then queues it to
// every receiver that lives on another thread.
void emitSignal(void *target, const char *signal, QGenericArgument first = QGenericArgument(),
                QGenericArgument second = QGenericArgument())
{
    auto *object = static_cast<QObject *>(target);
    if (object == nullptr) {
        qDebug() << "launch bridge without a target" << signal;
        return;
    }
    if (!QMetaObject::invokeMethod(object, signal, Qt::DirectConnection, first, second))
        qDebug() << "launch bridge target lacks the signal" << signal;
}

QString packageText(const char *packageName)
{
    return packageName == nullptr ? QString() : QString::fromUtf8(packageName);
}

} // namespace

void rotationChanged(void *target, float rotation)
{
    emitSignal(target, "onRotationChanged", Q_ARG(float, rotation));
}

void guestReady(void *target)
{
    qDebug() << "misc connected show opengl";
    emitSignal(target, "onSetShowOpenGLWidget", Q_ARG(bool, true));
    misc_set_engine_enable(1);
}

void guestConnectionLost(void *target)
{
    qDebug() << "misc connection lost";
    emitSignal(target, "onGuestConnectionLost");
}

void mouseCanLock(void *target, int value)
{
    emitSignal(target, "onSetMouseCanLock", Q_ARG(int, value));
}

void engineEnabled(void *target, int value)
{
    emitSignal(target, "onSetEngineEnabled", Q_ARG(bool, value != 0));
}

void pmInstallBegin(void *target, const char *packageName)
{
    emitSignal(target, "onPmInstallBegin", Q_ARG(QString, packageText(packageName)));
}

void pmInstallEnd(void *target, const char *packageName, int success)
{
    emitSignal(target, "onPmInstallEnd", Q_ARG(QString, packageText(packageName)), Q_ARG(int, success));
}

void androidClipData(QString text, void *target)
{
    qDebug() << "android get clip data" << text;
    emitSignal(target, "onAndroidClipData", Q_ARG(QString, text));
}

QStringList requiredSignals()
{
    return {
        QStringLiteral("onRotationChanged(float)"),
        QStringLiteral("onSetShowOpenGLWidget(bool)"),
        QStringLiteral("onSetMouseCanLock(int)"),
        QStringLiteral("onSetEngineEnabled(bool)"),
        QStringLiteral("onPmInstallBegin(QString)"),
        QStringLiteral("onPmInstallEnd(QString,int)"),
        QStringLiteral("onAndroidClipData(QString)"),
        QStringLiteral("onGuestConnectionLost()"),
    };
}

QStringList missingSignals(const QObject *target)
{
    QStringList missing;
    for (const QString &signature : requiredSignals()) {
        const QByteArray normalised = QMetaObject::normalizedSignature(signature.toLatin1().constData());
        if (target == nullptr || target->metaObject()->indexOfSignal(normalised.constData()) < 0)
            missing.append(signature);
    }
    return missing;
}

} // namespace LaunchBridges
