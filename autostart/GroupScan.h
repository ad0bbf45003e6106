#pragma once
// The scanning of the groups 9 and up: each group has one function, listed
// in the scanner's table in group order, that reads its source through the
// scanner's interface and hands each row to the GroupScan it is given. Pure
// code, no Windows headers.
#include "autostart/AutostartEntry.h"
#include "autostart/ProgramPath.h"
#include "autostart/ScanPlatform.h"
#include "autostart/SystemScan.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

struct EntryOrigin;

// What a group's scan function works with, and the one place its rows are
// made.
class GroupScan {
  public:
    using Sink = std::function<void(AutostartEntry& record, EntryOrigin& origin)>;

    // The folders are the Windows and the system directory, each with a
    // trailing backslash.
    GroupScan(ScanPlatform& sys, RegistryReader& reg, std::string_view windowsDir,
              std::string_view systemDir, std::string_view defaultMark, const Sink& sink)
        : sys_(sys), reg_(reg), windowsDir_(windowsDir), systemDir_(systemDir),
          defaultMark_(defaultMark),
          sink_(sink), paths_{windowsDir_, systemDir_,
                              [&sys](std::string_view t) { return sys.ExpandEnvironment(t); },
                              [&sys](const std::string& p) { return sys.FileExists(p); }} {}

    ScanPlatform& System() { return sys_; }
    RegistryReader& Registry() { return reg_; }
    const std::string& WindowsDir() const { return windowsDir_; }
    const std::string& SystemDir() const { return systemDir_; }
    // The file the command starts (ResolveCommandLineFile) in this scan's
    // system.
    std::string Program(std::string_view command, std::string_view defaultExt = ".exe") {
        return ResolveCommandLineFile(command, paths_, defaultExt);
    }
    // The text put behind the caption of what Windows itself puts there.
    std::string_view DefaultMark() const { return defaultMark_; }
    // The words of the task and service rows (empty without a language).
    const SourceTexts& Words() const { return words_; }
    void SetWords(const SourceTexts& words) { words_ = words; }
    // A row its group's scan made whole, with its own Active (a task or
    // service switched off at its source); checked as for AddRegistry.
    void AddRecord(const AutostartEntry& record, const std::string& checked);

    // A row whose source is a registry value. file is the program or DLL
    // that really runs (resolved from data), empty when there is none: the
    // record keeps it in FileName and its CRC-32 in Checksum, and the digests
    // of the listing and the process information are taken of it.
    void AddRegistry(AutostartGroup group, RegRoot root, std::string_view keyPath,
                     std::string_view name, std::string_view data, std::string_view caption,
                     std::string_view detail, const std::string& file);
    // A row whose source is a file (a task's definition, for one). program is
    // what it runs, kept in Detail when detail is empty; the checksum is the
    // program's.
    void AddFile(AutostartGroup group, std::string_view path, std::string_view caption,
                 std::string_view detail, const std::string& program);

  private:
    void Add(const std::string& checked);

    ScanPlatform& sys_;
    RegistryReader& reg_;
    std::string windowsDir_, systemDir_;
    std::string_view defaultMark_;
    const Sink& sink_;
    SourceTexts words_;
    PathContext paths_;
    AutostartEntry rec_ = ZeroEntry();
};

// A value of the open key with its registry type and bytes as stored; the
// name is matched without regard to case, as the registry matches it.
struct RawValue {
    uint32_t type = 0;
    std::string bytes;
};
std::optional<RawValue> ReadRawValue(RegistryReader& reg, std::string_view name);
// Registry types the scanner tells apart.
inline constexpr uint32_t kRegSz = 1, kRegExpandSz = 2, kRegDword = 4, kRegMultiSz = 7;
// The text of a REG_SZ or REG_EXPAND_SZ value (up to its first NUL); the
// strings of a REG_MULTI_SZ one; nothing for other types.
std::vector<std::string> RawStrings(const RawValue& value);
// A DWORD value's number; nothing unless the value holds four bytes.
std::optional<uint32_t> RawDword(const RawValue& value);
// The items of a list separated by any of the separators, each without
// outer blanks; empty items are dropped.
std::vector<std::string> SplitList(std::string_view text, std::string_view separators);

// One function per group from 9 on, in group order. Each reads its source
// and adds its rows; a source that is missing, unreadable or holds damaged
// values gives fewer rows, never an error.
void ScanScheduledTasks(GroupScan& scan);
void ScanServices(GroupScan& scan);
void ScanDrivers(GroupScan& scan);
void ScanWinlogon(GroupScan& scan);
void ScanImageHijacks(GroupScan& scan);
void ScanAppInitDlls(GroupScan& scan);
void ScanLsaPackages(GroupScan& scan);
void ScanPrintMonitors(GroupScan& scan);
void ScanStoreApps(GroupScan& scan);

} // namespace qv
