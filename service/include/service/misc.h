#pragma once

// The misc control channel: guest ready, key-mapping engine, mouse lock and
// shake. It also carries package installs (pm.h) and GPS (gps.h).

#include <service/export.h>

SERVICE_C_BEGIN

typedef void (*misc_connected_callback)(void *context);
typedef void (*misc_value_callback)(void *context, int value);

// Always 1.
SERVICE_EXPORT int misc_start(int port);
SERVICE_EXPORT void misc_stop(void);
SERVICE_EXPORT void misc_set_callback(misc_connected_callback callback, void *context);
SERVICE_EXPORT void misc_set_engine_callbacks(misc_value_callback mouseLock, void *context);
SERVICE_EXPORT void misc_set_engine_enabled_callback(misc_value_callback engineEnabled,
                                                     void *context);
// Called when the guest's connection ends from its side (closed, or its
// bytes out of step); not when a newer connection replaces it or the
// service stops. A guest that only reconnects says it is ready again soon
// after; one that does not has gone.
SERVICE_EXPORT void misc_set_disconnected_callback(misc_connected_callback disconnected,
                                                   void *context);

// 0 when handed to the guest connection, 1 when no guest is connected.
SERVICE_EXPORT int misc_shake(void);
SERVICE_EXPORT int misc_set_engine_enable(int enabled);
SERVICE_EXPORT int misc_show_engine(void);

SERVICE_C_END
