#pragma once

// Committed input-method texts for the guest's input method.

#include <service/export.h>

SERVICE_C_BEGIN

SERVICE_EXPORT void input_method_start(int port);
SERVICE_EXPORT void input_method_stop(void);
SERVICE_EXPORT void input_method_send_text(char *bytes, int count);

SERVICE_C_END
