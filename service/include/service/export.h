#pragma once

// Marks what the guest-service library offers to the player; everything
// else stays hidden.
#if defined(_WIN32)
#if defined(SERVICE_BUILD)
#define SERVICE_EXPORT __declspec(dllexport)
#else
#define SERVICE_EXPORT __declspec(dllimport)
#endif
#else
#define SERVICE_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
#define SERVICE_C_BEGIN extern "C" {
#define SERVICE_C_END }
#else
#define SERVICE_C_BEGIN
#define SERVICE_C_END
#endif
