#pragma once

// Symbols of the window toolkit library; everything else stays hidden.
#if defined(_WIN32)
#  if defined(TOOLKIT_BUILD)
#    define TOOLKIT_EXPORT __declspec(dllexport)
#  else
#    define TOOLKIT_EXPORT __declspec(dllimport)
#  endif
#else
#  define TOOLKIT_EXPORT __attribute__((visibility("default")))
#endif
