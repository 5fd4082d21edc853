#pragma once

// The clipboard bridge: one guest connection carries texts both ways.

#include <service/export.h>

#include <QString>

typedef void (*clipboard_text_callback)(QString text, void *context);

// The callback runs on the server-manager thread.
SERVICE_EXPORT void clipboard_start(int port, clipboard_text_callback callback, void *context);
SERVICE_EXPORT void clipboard_host_clip_data(QString text);

SERVICE_C_BEGIN
SERVICE_EXPORT void clipboard_stop(void);
SERVICE_C_END
