#pragma once
// The signed list of files that update.exe installs. Its bytes are what the
// signature covers, so it is read exactly as stored:
//
//   QV6FILELIST 1
//   <sha256> <size> <name>
//   ...
//
// one file per line after the header line, lines ending with LF (CR LF is
// accepted), <sha256> as 64 hex digits, <size> in decimal bytes, <name> the
// rest of the line: a plain relative path below the program's folder, its
// parts separated by "/" (or "\"). A name with a drive, a leading slash, a
// ".." anywhere, a ":", an empty part, control or wildcard characters, a
// part ending in a dot or blank, or a device name refuses the whole list,
// and so does any other malformed line. Pure code.
#include "base/Crypto.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

inline constexpr std::string_view kFileListHeader = "QV6FILELIST 1";
// Limits that keep a list from asking for absurd amounts.
constexpr size_t kMaxFileListBytes = 1 << 20;
constexpr size_t kMaxFileListEntries = 4096;
constexpr uint64_t kMaxUpdateFileSize = uint64_t{1} << 31;
constexpr size_t kMaxUpdateNameLength = 200;

struct FileListEntry {
    std::string name; // as written in the list, "/" between the parts
    uint64_t size = 0;
    Sha256Digest sha256{};
};

struct FileList {
    bool ok = false;
    std::vector<FileListEntry> entries;
    std::string error; // German, for the log and the message; empty when ok
};

// Reads a list. Any fault refuses the whole list (ok false, no entries). Two
// entries naming the same file (without regard to case) are a fault, and so
// is a list without entries.
FileList ParseFileList(std::string_view bytes);
// The list's bytes for entries (the header line, one LF-ended line each).
std::string FormatFileList(const std::vector<FileListEntry>& entries);

// The safety rule for one name, as above.
bool IsSafeRelativeName(std::string_view name);
// The name as a path below a folder: "\" between the parts.
std::string LocalName(std::string_view name);
// The name as the path of a URL: "/" between the parts, every byte but
// letters, digits and "-._~" percent-escaped.
std::string UrlName(std::string_view name);

} // namespace qv
