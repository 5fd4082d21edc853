#pragma once

// Simulated location fixes, sent over the misc connection.

#include <service/export.h>

SERVICE_C_BEGIN

SERVICE_EXPORT void gps_set_enable(int enable);
SERVICE_EXPORT void gps_set_data(float a, float b, float c, float d, float e);

SERVICE_C_END
