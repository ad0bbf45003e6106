#pragma once
// The signed list of files that update.exe installs. Its bytes are what the
// signature covers, so it is read exactly as stored:
//
//   QV6FILELIST 2
//   version 6.03
//   expires 2027-06-30T00:00:00Z
//   <sha256> <size> <name>
//   ...
//
// The version is the one the list installs, the time (UTC) the one after
// which it must not be installed: both are signed, so a replayed older list
// or one served for ever after a fix is refused (rollback and freeze). A
// list of the first format, which named neither, is refused.
//
// One file per line after the three head lines, lines ending with LF (CR LF
// is accepted), <sha256> as 64 hex digits, <size> in decimal bytes, <name>
// the rest of the line: a plain relative path below the program's folder,
// its parts separated by "/" (or "\"). A name with a drive, a leading slash,
// a ".." anywhere, a ":", an empty part, control or wildcard characters, a
// part ending in a dot or blank, or a device name refuses the whole list,
// and so does any other malformed line. Pure code.
#include "base/Crypto.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

inline constexpr std::string_view kFileListHeader = "QV6FILELIST 2";
// The first format, without version and expiry: refused.
inline constexpr std::string_view kFileListHeaderV1 = "QV6FILELIST 1";
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

// A version as the program writes it, "6.02": one to four decimal numbers
// (each below 65536) between dots, compared part by part as numbers, missing
// parts counting as 0 ("6.02" is 6.2.0.0, the version resource's 6,2,0,0).
using Version = std::array<uint16_t, 4>;
std::optional<Version> ParseVersion(std::string_view text);
std::string FormatVersion(const Version& v); // "6.2.0.0"

// "YYYY-MM-DDTHH:MM:SSZ" as seconds since 1970-01-01 UTC; nothing for any
// other spelling or an impossible date.
std::optional<int64_t> ParseUtcTime(std::string_view text);

struct FileList {
    bool ok = false;
    std::string versionText; // as written
    Version version{};
    std::string expiresText; // as written
    int64_t expires = 0;     // seconds since 1970 UTC
    std::vector<FileListEntry> entries;
    std::string error; // German, for the log and the message; empty when ok
};

// Reads a list. Any fault refuses the whole list (ok false, no entries). Two
// entries naming the same file (without regard to case) are a fault, and so
// is a list without entries.
FileList ParseFileList(std::string_view bytes);
// The list's bytes: the three head lines, one LF-ended line per entry.
std::string FormatFileList(std::string_view version, std::string_view expires,
                           const std::vector<FileListEntry>& entries);

// The safety rule for one name, as above.
bool IsSafeRelativeName(std::string_view name);
// The name as a path below a folder: "\" between the parts.
std::string LocalName(std::string_view name);
// The name as the path of a URL: "/" between the parts, every byte but
// letters, digits and "-._~" percent-escaped.
std::string UrlName(std::string_view name);

} // namespace qv
