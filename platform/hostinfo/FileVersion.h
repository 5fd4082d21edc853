#pragma once

// Embeds a version text in the program or library that expands this macro
// once, in the ELF section that OSUtils::getFileVersion reads: the Linux
// counterpart of a Windows file's version resource.
//
//     TAVENOR_FILE_VERSION("1.2.3");
#if defined(__ELF__)
#  define TAVENOR_FILE_VERSION(text)                                                  \
      extern "C" __attribute__((section(".tavenor.version"), used, visibility("hidden"))) \
      const char tavenor_file_version[] = text
#else
#  define TAVENOR_FILE_VERSION(text) static_assert(true, "")
#endif
