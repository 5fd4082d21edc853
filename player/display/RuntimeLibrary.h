#pragma once

#include <QByteArray>
#include <QLibrary>
#include <QString>

// A library the player loads by name at run time and never links (the GL
// renderer, and any other outside library that is only needed on first use).
//
// Which file: the path in the environment variable overrideVariable when it
// is set (read at load time); else the file name in the program's own folder
// when it is there; else the bare file name through the system's library
// search. The program's folder comes first, as in the Windows search order,
// and keeps the load independent of how the program was linked: on Linux a
// RUNPATH is searched only for the object that calls dlopen, which is Qt (or
// a sanitizer's wrapper), not the program.
//
// Once loaded, the library stays loaded for the rest of the process.
// Not thread-safe: load and resolve from one thread, or under the caller's
// own once-only guard.
class RuntimeLibrary
{
public:
    RuntimeLibrary(const QString &fileName, const char *overrideVariable);

    // Every symbol is bound at load time, so a library that cannot work
    // fails here rather than at its first call. False on failure, with
    // errorString() telling why.
    bool load();
    QString errorString() const { return m_library.errorString(); }

    // The entry point of that name as a function of type Fn; null when the
    // library is not loaded or lacks it.
    template <typename Fn> Fn resolve(const char *symbol)
    {
        return reinterpret_cast<Fn>(m_library.resolve(symbol));
    }

private:
    QString fileToLoad() const;

    const QString m_fileName;
    const QByteArray m_overrideVariable;
    QLibrary m_library;
};
