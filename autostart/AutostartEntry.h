#pragma once
// The fixed 1800-byte record of one autostart point. The same bytes are the
// in-memory element, the record of asedb.dat and of aseinactive.dat, so the
// layout below is fixed byte for byte. Pure code, no Windows headers.
#include "autostart/RootKeys.h"
#include "base/LanguageLines.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

static_assert(std::endian::native == std::endian::little,
              "the record files are little-endian and are read and written as raw bytes");

#pragma pack(push, 1)
// A length-prefixed string of at most 255 bytes. Only the first Length bytes
// count; the bytes behind them are kept as they are (zero in every record the
// program fills itself) so that a record read and written back is identical.
struct ShortString {
    uint8_t Length;
    char Chars[255];

    std::string str() const { return std::string(Chars, Length); }
    std::string_view view() const { return std::string_view(Chars, Length); }
    // Stores the text, cut to its first 255 bytes; zero-fills the rest.
    void assign(std::string_view text);
};

struct AutostartEntry {
    uint8_t Kind;          // 0 registry value, 1 ini value, 2 file
    ShortString FileName;  // kind 1: the ini file; kind 2: the file
    ShortString RootKey;   // kind 0: root key handle as decimal; kind 1: section
    ShortString KeyPath;   // kind 0: key path below the root
    ShortString ValueName; // kind 0: value name; kind 1: ini key
    ShortString ValueData; // kind 0 and 1: the data as read
    uint8_t SourceFlag;    // 1: warn before deleting or editing the file
    uint8_t Active;        // 1 in force, 0 deactivated
    ShortString Caption;   // first column of the list row
    ShortString Detail;    // second column of the list row
    uint8_t Group;         // AutostartGroup 0..17
    int32_t Checksum;      // kind 2: CRC-32 of the file, -1 when unreadable
};
#pragma pack(pop)

static_assert(sizeof(ShortString) == 256);
static_assert(sizeof(AutostartEntry) == 1800);
static_assert(offsetof(AutostartEntry, Kind) == 0);
static_assert(offsetof(AutostartEntry, FileName) == 1);
static_assert(offsetof(AutostartEntry, RootKey) == 257);
static_assert(offsetof(AutostartEntry, KeyPath) == 513);
static_assert(offsetof(AutostartEntry, ValueName) == 769);
static_assert(offsetof(AutostartEntry, ValueData) == 1025);
static_assert(offsetof(AutostartEntry, SourceFlag) == 1281);
static_assert(offsetof(AutostartEntry, Active) == 1282);
static_assert(offsetof(AutostartEntry, Caption) == 1283);
static_assert(offsetof(AutostartEntry, Detail) == 1539);
static_assert(offsetof(AutostartEntry, Group) == 1795);
static_assert(offsetof(AutostartEntry, Checksum) == 1796);

constexpr size_t kRecordSize = sizeof(AutostartEntry);

// The group of an entry and the item index of the group combo box. The
// record keeps it as a byte (AutostartEntry::Group).
enum class AutostartGroup : uint8_t {
    RunKeys = 0,        // registry Run, RunServices, RunOnce ...
    ShellOpen = 1,      // shell open commands of the executable file types
    ActiveSetup = 2,    // Active Setup StubPath values
    StaticVxD = 3,      // StaticVxD values of the VxD services
    IcqAgent = 4,       // ICQ agent applications
    StartupFolders = 5, // files in the user's and the common startup folder
    IniLines = 6,       // win.ini load and run, system.ini shell
    BootFiles = 7,      // boot and batch files
    RootExplorer = 8,   // a stray c:\explorer.exe
    // The autostart points of today's Windows, after the nine of old so that
    // their bytes keep their meaning in every record file.
    ScheduledTasks = 9, // Task Scheduler tasks
    Services = 10,      // services of the Service Control Manager
    Drivers = 11,       // kernel and file-system drivers
    Winlogon = 12,      // Userinit, Shell, Taskman, AppSetup, Notify
    ImageHijacks = 13,  // Image File Execution Options and SilentProcessExit
    AppInitDlls = 14,   // AppInit_DLLs with LoadAppInit_DLLs
    LsaPackages = 15,   // the packages the Local Security Authority loads
    PrintMonitors = 16, // the spooler's port monitors
    StoreApps = 17,     // packaged apps' startup tasks
};
// The nine groups the program always had; their records keep their layout.
constexpr int kClassicGroupCount = 9;
constexpr int kGroupCount = 18;

constexpr uint8_t GroupByte(AutostartGroup g) {
    return static_cast<uint8_t>(g);
}
constexpr AutostartGroup GroupOfByte(uint8_t group) {
    return static_cast<AutostartGroup>(group);
}

// The language line naming the group: lines 0 to 8 for the nine groups of
// old, the lines from Lng::NewGroupNameFirst on for the later ones, each in
// group order.
constexpr Lng GroupName(AutostartGroup g) {
    return GroupByte(g) < kClassicGroupCount
               ? static_cast<Lng>(LineNumber(Lng::GroupNameFirst) + GroupByte(g))
               : static_cast<Lng>(LineNumber(Lng::NewGroupNameFirst) + GroupByte(g) -
                                  kClassicGroupCount);
}

enum EntryKind : uint8_t { KindRegistry = 0, KindIni = 1, KindFile = 2 };

// Indexes into the entries and the known-entries database are 16-bit: at most 65,536 elements.
constexpr size_t kMaxEntries = 65536;

// A record with every byte zero.
AutostartEntry ZeroEntry();

inline bool InGroup(const AutostartEntry& e, AutostartGroup g) {
    return e.Group == GroupByte(g);
}

// The identity rule: two records stand for the same autostart point when
// FileName, RootKey, KeyPath, ValueName, ValueData (length byte and
// characters, byte for byte) and Checksum are equal, and Active as well when
// compareActive is set. Kind, SourceFlag, Caption, Detail, Group never count.
bool SameAutostartPoint(const AutostartEntry& a, const AutostartEntry& b, bool compareActive);
// A hash over exactly the fields of the identity rule without Active, so that
// equal points always hash alike.
uint64_t IdentityHash(const AutostartEntry& e);

// Record files: a plain sequence of 1800-byte records. A fragment shorter
// than a record at the end is not read.
std::vector<AutostartEntry> DecodeRecords(std::string_view bytes);
std::string EncodeRecords(const std::vector<AutostartEntry>& entries);
void AppendRecord(std::string& out, const AutostartEntry& e);

// Sets the work record's Active, appends a copy to the entries (the model's
// ASEntries, model/AppModel.h), zero-fills the work record and returns the
// new element's index. When the entries already hold 65,536 elements nothing
// is appended, the work record is still zero-filled, and -1 is returned.
int AddASEntry(std::vector<AutostartEntry>& entries, AutostartEntry& record, uint8_t active);

} // namespace qv
