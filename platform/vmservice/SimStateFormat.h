#pragma once

// The state folder of a simulated machine, as the simulated engine writes it
// and the simulated guest (tavenor-guest) reads it. Plain C++17, no Qt, so
// the guest can include it as it is.
//
// Folder: <folder of the machine definition>/<machine name>.sim/
// The engine starts the guest as `tavenor-guest <state folder>` (the absolute
// path of the folder, without a trailing slash).
//
// Files in it, each UTF-8 text made of entry lines "name=value\n":
//   properties   the guest properties, one entry per property
//   shares       the shared folders, one entry per share: share name = absolute
//                host folder (shares are transient: the file is emptied when
//                the machine starts and when it stops)
//   hardware     "cpus=<count>" and "memory_mb=<megabytes>", in decimal
//   guest.log    the guest's standard output and error (appended)
//
// Every change to properties, shares or hardware writes a complete new file
// beside the old one and renames it over the old one, so a reader always sees
// either the previous or the next complete file, never a partial one. A
// reader that polls a file (by re-reading it, or by its inode and
// modification time) at least every 100 ms sees a change within 200 ms;
// watching the folder for files moved in (inotify IN_MOVED_TO) works too.
// Other files in the folder (temporary files of a rewrite) are to be ignored.
//
// Escaping: in names and values a backslash, line feed, carriage return and
// '=' are written as "\\", "\n", "\r" and "\=" so that every entry is one
// line and the first unescaped '=' separates name from value. Lines that are
// empty or have no unescaped '=' are skipped. Entries are written sorted by
// name; a name appears at most once (a reader keeps the last one).

#include <map>
#include <string>
#include <string_view>

namespace simstate {

inline constexpr const char kPropertiesFile[] = "properties";
inline constexpr const char kSharesFile[] = "shares";
inline constexpr const char kHardwareFile[] = "hardware";
inline constexpr const char kGuestLogFile[] = "guest.log";
inline constexpr const char kCpusKey[] = "cpus";
inline constexpr const char kMemoryKey[] = "memory_mb";
inline constexpr const char kFolderSuffix[] = ".sim";

using Entries = std::map<std::string, std::string>;

inline std::string escape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '=': out += "\\="; break;
        default: out += c; break;
        }
    }
    return out;
}

// Undoes escape(); an unknown escape keeps the character after the
// backslash, a lone backslash at the end is dropped.
inline std::string unescape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size())
            break;
        switch (text[i]) {
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        default: out += text[i]; break;
        }
    }
    return out;
}

inline std::string formatEntries(const Entries &entries)
{
    std::string out;
    for (const auto &[name, value] : entries)
        out += escape(name) + '=' + escape(value) + '\n';
    return out;
}

inline Entries parseEntries(std::string_view text)
{
    Entries entries;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        size_t separator = std::string_view::npos;
        for (size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '\\') {
                ++i;
            } else if (line[i] == '=') {
                separator = i;
                break;
            }
        }
        if (separator == std::string_view::npos)
            continue;
        entries[unescape(line.substr(0, separator))] = unescape(line.substr(separator + 1));
    }
    return entries;
}

} // namespace simstate
