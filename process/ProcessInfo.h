#pragma once
// The rows of the process information dialog: the executable file's facts
// in FileList, the process's figures in ProcList. Pure row builders over
// plain facts and the language lines; ProcessInfo_win.cpp reads the facts.
#include "base/LanguageLines.h"
#include "process/ProcessTable.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qv {

// One row: its caption (first column) and its value (second column).
struct InfoRow {
    std::string caption;
    std::string value;
    bool operator==(const InfoRow&) const = default;
};

// The text of a language line.
using LineSource = std::function<std::string(Lng)>;

// The version strings shown, in this order, each where the file has it.
inline constexpr std::array<const char*, 12> kVersionKeys = {
    "InternalName",    "OriginalFilename", "CompanyName",    "LegalCopyright",
    "LegalTrademarks", "ProductName",      "ProductVersion", "FileDescription",
    "FileVersion",     "PrivateBuild",     "SpecialBuild",   "Comments"};

// A translation as stored in "\VarFileInfo\Translation": the language id in
// the low 16 bits, the code page in the high 16 bits.
// "\StringFileInfo\" + language and code page as 4 upper-case hex digits
// each + "\"; for 0x04E40407 "\StringFileInfo\040704E4\".
std::string VersionPrefix(uint32_t translation);
// Where a file has string tables but no translation table, these are tried
// in turn: U.S. English in Unicode, then in Windows-1252.
inline constexpr std::array<uint32_t, 2> kFallbackTranslations = {0x04B00409, 0x04E40409};
// VerLanguageName gives at most this many characters.
constexpr size_t kLanguageNameChars = 50;

// The read version information of a file, as far as the rows need it.
class VersionSource {
  public:
    virtual ~VersionSource() = default;
    // The first entry of the translation table, or none without one.
    virtual std::optional<uint32_t> FirstTranslation() = 0;
    // The text under a sub-block path (the prefix followed by a key), up to
    // its NUL; none where the file has no such value.
    virtual std::optional<std::string> QueryString(const std::string& subBlock) = 0;
    virtual std::string LanguageName(uint16_t languageId) = 0;
};

struct VersionFacts {
    uint32_t translation = 0; // the one the strings were read under
    std::string languageName;
    std::vector<std::pair<std::string, std::string>> strings; // key, value; in kVersionKeys order
};
// The language and the strings of the first translation. Without a
// translation table the fallbacks are tried, and the first under which at
// least one key is found is taken; none found gives no facts, shown like a
// file without version information.
std::optional<VersionFacts> ReadVersionFacts(VersionSource& source);

// A local date and time as the system splits it.
struct LocalTime {
    uint16_t year = 0, month = 0, day = 0;
    uint16_t hour = 0, minute = 0, second = 0, milliseconds = 0;
    bool operator==(const LocalTime&) const = default;
};
// The file date format keeps even seconds only: odd seconds and the
// milliseconds are dropped.
LocalTime ToTwoSecondResolution(LocalTime t);
bool IsMidnight(const LocalTime& t);
// The date and, unless the time is exactly midnight, a blank and the time.
std::string JoinDateAndTime(std::string_view date, std::string_view time, bool midnight);

// What the file rows show of an executable.
struct FileFacts {
    std::string path;
    uint64_t size = 0;                   // the real size, also beyond 4 GiB
    std::string lastWrite;               // formatted, see JoinDateAndTime
    uint32_t attributes = 0;             // as GetFileAttributes gives them
    std::optional<VersionFacts> version; // none: no (readable) version information
};

constexpr uint32_t kAttrReadOnly = 0x01, kAttrHidden = 0x02, kAttrSystem = 0x04,
                   kAttrArchive = 0x20;

// FileList: directory, name, size, date, an empty row, the version rows, an
// empty row, and the attribute rows (archive, hidden, read-only, system)
// where the attribute is set.
std::vector<InfoRow> BuildFileInfoRows(const FileFacts& facts, const LineSource& line);
// ProcList: usage count, the three ids as 8 upper-case hex digits, the
// thread count and the base priority (signed).
std::vector<InfoRow> BuildProcessInfoRows(const ProcessEntry& entry, const LineSource& line);

// The facts of the file at path, read now; none when no file exists there
// (a directory does not count). A file that goes away while it is read
// gives what could still be read, never a failure.
std::optional<FileFacts> ReadFileFacts(const std::string& path);

} // namespace qv
