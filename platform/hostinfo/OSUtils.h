#pragma once

#include <QString>

#if defined(_WIN32)
#  if defined(HOSTINFO_BUILD)
#    define HOSTINFO_EXPORT __declspec(dllexport)
#  else
#    define HOSTINFO_EXPORT __declspec(dllimport)
#  endif
#else
#  define HOSTINFO_EXPORT __attribute__((visibility("default")))
#endif

// What the player tells the vendor's web service about the host. Every
// query reads the host afresh; none fails: what cannot be read comes back
// empty or 0.
class HOSTINFO_EXPORT OSUtils
{
public:
    // An identifier of this machine for this application: a keyed hash of
    // the host's machine id (on Windows its MachineGuid), never the id
    // itself, so it cannot be matched with what other programs report. 32
    // lowercase hexadecimal digits; empty when the host has no machine id.
    static QString getMachineId();

    // The operating system's name and version, with the kernel release
    // (on Linux: the PRETTY_NAME of os-release, then the kernel in
    // parentheses, e.g. "Debian GNU/Linux 12 (bookworm) (Linux 6.1.0-18-amd64)";
    // on Windows e.g. "Windows 10 Version 22H2 (Windows NT 10.0.19045)").
    static QString getOsVersion();

    // The processor's model name. Fills maxClockSpeed with the highest
    // clock speed in MHz and processorCount with the logical processors;
    // either pointer may be null, and a value that cannot be read is left
    // as the caller set it.
    static QString getCpuInfo(int *maxClockSpeed, int *processorCount);

    // Physical memory in MB.
    static int getTotalMemory();

    // The version text embedded in the program or library at path (on
    // Linux: the contents of its ".tavenor.version" ELF section, see
    // FileVersion.h; on Windows: the FileVersion text of its version
    // resource, else its fixed file version "a.b.c.d"); empty when the file
    // carries none.
    static QString getFileVersion(QString path);

    // The keyed hash behind getMachineId, for a given host machine id.
    static QString applicationMachineId(const QByteArray &hostMachineId);
};
