#pragma once

// Symbols of the global-shortcut library; everything else stays hidden.
#if defined(_WIN32)
#  if defined(SHORTCUT_BUILD)
#    define SHORTCUT_EXPORT __declspec(dllexport)
#  else
#    define SHORTCUT_EXPORT __declspec(dllimport)
#  endif
#else
#  define SHORTCUT_EXPORT __attribute__((visibility("default")))
#endif
