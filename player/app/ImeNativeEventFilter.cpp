#include "app/ImeNativeEventFilter.h"

#include "app/InputLanguageRequest.h"

ImeNativeEventFilter::~ImeNativeEventFilter() = default;

bool ImeNativeEventFilter::nativeEventFilter(const QByteArray &eventType, void *message, long *result)
{
    return handleInputLanguageRequest(eventType, message, result);
}
