#pragma once

#include <QAbstractNativeEventFilter>

// Sees every native message of the application first. The system's request
// to change the input language is carried out here and consumed, so that the
// requested keyboard layout replaces the one of the same language at once;
// every other message passes on untouched.
class ImeNativeEventFilter : public QAbstractNativeEventFilter
{
public:
    ~ImeNativeEventFilter() override;

    bool nativeEventFilter(const QByteArray &eventType, void *message, long *result) override;
};
