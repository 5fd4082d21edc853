#pragma once

// Package install: the APK's folder is shared with the virtual machine as
// "apk" and the guest is asked to install the file from it, one install at
// a time.

#include <service/export.h>

#ifdef __cplusplus
class VMService;
#else
typedef struct VMService VMService;
#endif

SERVICE_C_BEGIN

// The file name is owned by the library and valid during the call only.
typedef void (*pm_install_begin_callback)(void *context, const char *fileName);
typedef void (*pm_install_end_callback)(void *context, const char *text, int result);

// Both texts UTF-8: the file's folder and its name.
SERVICE_EXPORT void pm_install(const char *hostFolder, const char *fileName);
SERVICE_EXPORT void pm_set_callback(pm_install_begin_callback begin, pm_install_end_callback end,
                                    void *context);
SERVICE_EXPORT void pm_set_vm(VMService *vm);

SERVICE_C_END
