#include "autostart/Scanner.h"

#include "autostart/AutostartEntry.h"
#include "autostart/GroupScan.h"
#include "autostart/Groups.h"
#include "autostart/ScanPlatform.h"
#include "autostart/SystemScan.h"
#include "base/Text.h"
#include "model/AppModel.h"

#include <array>
#include <span>

namespace qv {

namespace {

using namespace std::string_view_literals;

struct RunKey {
    RegRoot root;
    std::string_view path; // stored in the entry without the leading backslash
    // Where Explorer keeps the switch of the key's values: only the Run keys
    // have one.
    ApprovalList approval = ApprovalList::None;
};

constexpr std::array<RunKey, 8> kRunKeys{{
    {RegRoot::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", ApprovalList::Run},
    {RegRoot::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices"},
    {RegRoot::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"},
    {RegRoot::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", ApprovalList::Run},
    {RegRoot::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices"},
    {RegRoot::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"},
    {RegRoot::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce"},
    {RegRoot::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx"},
}};

// The machine's run keys as 32-bit programs see them on 64-bit Windows. Read
// through the native view by their literal path, which is also what the
// record keeps: deactivating, editing and deleting such an entry then reach
// the same 32-bit key. Where the key does not exist (a 32-bit system) they
// give nothing. The user's keys have no such view.
constexpr std::array<RunKey, 5> kWow64RunKeys{{
    {RegRoot::LocalMachine, "Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run",
     ApprovalList::Run32},
    {RegRoot::LocalMachine,
     "Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\RunServices"},
    {RegRoot::LocalMachine, "Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\RunOnce"},
    {RegRoot::LocalMachine,
     "Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce"},
    {RegRoot::LocalMachine, "Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx"},
}};

// Group policy's list of programs started at every logon, a favourite of
// unwanted software because few look there.
constexpr std::array<RunKey, 2> kPolicyRunKeys{{
    {RegRoot::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run"},
    {RegRoot::LocalMachine,
     "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run"},
}};

struct ShellOpenKey {
    std::string_view path;
    std::string_view label;
};

constexpr std::array<ShellOpenKey, 5> kShellOpenKeys{{
    {"\\exefile\\shell\\open\\command", "EXE"},
    {"\\comfile\\shell\\open\\command", "COM"},
    {"\\batfile\\shell\\open\\command", "BAT"},
    {"\\htafile\\Shell\\open\\Command", "HTA"},
    {"\\piffile\\shell\\open\\command", "PIF"},
}};

constexpr std::string_view kActiveSetupKey =
    "\\Software\\Microsoft\\Active Setup\\Installed Components";
constexpr std::string_view kWow64ActiveSetupKey =
    "\\Software\\WOW6432Node\\Microsoft\\Active Setup\\Installed Components";
constexpr std::string_view kVxDKey = "\\System\\CurrentControlSet\\Services\\VxD";
constexpr std::string_view kIcqAppsKey = "\\Software\\Mirabilis\\ICQ\\Agent\\Apps";

struct StartupFolder {
    RegRoot root;
    std::string_view key;
    std::string_view value;
};

constexpr std::array<StartupFolder, 2> kStartupFolders{{
    {RegRoot::CurrentUser,
     "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "startup"},
    {RegRoot::LocalMachine,
     "\\Software\\Microsoft\\Windows\\CurrentVersion\\explorer\\Shell Folders", "common startup"},
}};

// out := a + b + c, reusing out's storage.
void Join(std::string& out, std::string_view a, std::string_view b, std::string_view c = {}) {
    out.clear();
    out.reserve(a.size() + b.size() + c.size());
    out.append(a.data(), a.size());
    out.append(b.data(), b.size());
    out.append(c.data(), c.size());
}

// The scan function of every group from 9 on, in group order: the one
// place a group's source is tied in.
struct GroupScanner {
    AutostartGroup group;
    void (*scan)(GroupScan&);
};
constexpr std::array<GroupScanner, kGroupCount - kClassicGroupCount> kGroupScanners{{
    {AutostartGroup::ScheduledTasks, ScanScheduledTasks},
    {AutostartGroup::Services, ScanServices},
    {AutostartGroup::Drivers, ScanDrivers},
    {AutostartGroup::Winlogon, ScanWinlogon},
    {AutostartGroup::ImageHijacks, ScanImageHijacks},
    {AutostartGroup::AppInitDlls, ScanAppInitDlls},
    {AutostartGroup::LsaPackages, ScanLsaPackages},
    {AutostartGroup::PrintMonitors, ScanPrintMonitors},
    {AutostartGroup::StoreApps, ScanStoreApps},
}};

// The words of the task and service rows, from the language table when it
// has them.
SourceTexts SourceTextsOf(const LanguageFile& lines) {
    SourceTexts t;
    if (lines.Count() <= static_cast<size_t>(LineNumber(Lng::Last))) return t;
    for (size_t i = 0; i < t.startTypes.size(); ++i)
        t.startTypes[i] = lines[LineAt(LineNumber(Lng::StartTypeFirst) + static_cast<int>(i))];
    for (size_t i = 0; i < t.triggers.size(); ++i)
        t.triggers[i] = lines[LineAt(LineNumber(Lng::TriggerFirst) + static_cast<int>(i))];
    return t;
}

class Scan {
  public:
    // Entries go to `out`, at most kMaxEntries of them when it is the
    // model's list (`capped`). origins, when given, receives one element per
    // entry added. The folders are those of the Windows directory and the
    // system directory, with a trailing backslash.
    Scan(ScanPlatform& platform, RegistryReader& reg, std::vector<AutostartEntry>& out, bool capped,
         std::string_view windowsDir, std::string_view systemDir,
         std::vector<EntryOrigin>* origins = nullptr)
        : sys_(platform), reg_(reg), out_(out), capped_(capped), windowsDir_(windowsDir),
          systemDir_(systemDir), origins_(origins) {}

    void RunKeys(std::span<const RunKey> keys) {
        for (const RunKey& k : keys) {
            Join(keyPath_, "\\", k.path);
            if (!reg_.OpenKey(k.root, keyPath_)) continue;
            approval_ = k.approval;
            approvalRoot_ = k.root;
            // The run keys' paths are kept without the leading backslash.
            Values(k.root, k.path, AutostartGroup::RunKeys, 0);
            approval_ = ApprovalList::None;
        }
    }

    void ShellOpenCommands() {
        for (const ShellOpenKey& k : kShellOpenKeys) {
            if (!reg_.OpenKey(RegRoot::ClassesRoot, k.path)) continue;
            // A key that opens always gives an entry, even with an empty or
            // unreadable default value.
            reg_.ReadText("", text_);
            AddRegistry(RegRoot::ClassesRoot, k.path, "", text_, k.label, text_,
                        AutostartGroup::ShellOpen, 0);
        }
    }

    void ActiveSetupStubPaths(std::string_view key) {
        if (!reg_.OpenKey(RegRoot::LocalMachine, key)) return;
        for (const std::string& sub : reg_.SubkeyNames()) {
            Join(keyPath_, key, "\\", sub);
            if (!reg_.OpenKey(RegRoot::LocalMachine, keyPath_)) continue;
            // Value names are matched by the registry without regard to case.
            if (reg_.ReadText("StubPath", text_) != ValueRead::Text) continue;
            reg_.ReadText("", text2_);
            AddRegistry(RegRoot::LocalMachine, keyPath_, "StubPath", text_, sub, text2_,
                        AutostartGroup::ActiveSetup, 1);
        }
    }

    void StaticVxDs() {
        if (!reg_.OpenKey(RegRoot::LocalMachine, kVxDKey)) return;
        for (const std::string& sub : reg_.SubkeyNames()) {
            Join(keyPath_, kVxDKey, "\\", sub);
            if (!reg_.OpenKey(RegRoot::LocalMachine, keyPath_)) continue;
            if (reg_.ReadText("StaticVxD", text_) != ValueRead::Text) continue;
            AddRegistry(RegRoot::LocalMachine, keyPath_, "StaticVxD", text_, text_, sub,
                        AutostartGroup::StaticVxD, 1);
        }
    }

    void IcqAgentApps() {
        if (!reg_.OpenKey(RegRoot::CurrentUser, kIcqAppsKey)) return;
        Values(RegRoot::CurrentUser, kIcqAppsKey, AutostartGroup::IcqAgent, 1);
        Join(keyPath_, kIcqAppsKey, "\\test");
        if (reg_.OpenKey(RegRoot::CurrentUser, keyPath_))
            Values(RegRoot::CurrentUser, keyPath_, AutostartGroup::IcqAgent, 1);
    }

    void StartupFolders() {
        for (const StartupFolder& f : kStartupFolders) {
            if (!reg_.OpenKey(f.root, f.key)) continue;
            std::string folder;
            if (reg_.ReadText(f.value, folder) != ValueRead::Text || !sys_.DirectoryExists(folder))
                continue;
            const std::string prefix = folder + "\\";
            sys_.ForEachDirectoryEntry(prefix + "*.*", [&](std::string_view name) {
                if (name == "." || name == "..") return;
                std::string path = prefix;
                path.append(name);
                // Explorer keeps the file's switch under its name, in the
                // list of the folder's root.
                if (origins_)
                    origin_.approval = {ApprovalList::StartupFolder, f.root, std::string(name)};
                if (UpperAscii(ExtractFileExt(name)) == ".LNK") {
                    std::string target = sys_.ResolveLink(path);
                    // An unresolved link has no target to check: -1, like an
                    // unreadable file.
                    if (origins_) origin_.checkedFile = target;
                    AddFile(path, name, target, target.empty() ? -1 : sys_.FileChecksum(target),
                            AutostartGroup::StartupFolders, 0);
                } else {
                    if (origins_) origin_.checkedFile = path;
                    AddFile(path, name, name, sys_.FileChecksum(path),
                            AutostartGroup::StartupFolders, 0);
                }
            });
        }
        reg_.CloseKey();
    }

    void IniLines() {
        const std::string winIni = windowsDir_ + "win.ini";
        if (sys_.FileExists(winIni)) {
            IniEntry(winIni, "windows", "load", "[WIN.INI] [WINDOWS] LOAD", 0);
            IniEntry(winIni, "windows", "run", "[WIN.INI] [WINDOWS] RUN", 0);
        }
        const std::string systemIni = windowsDir_ + "system.ini";
        if (sys_.FileExists(systemIni))
            IniEntry(systemIni, "boot", "shell", "[SYSTEM.INI] [BOOT] SHELL", 1);
    }

    void BootFiles() {
        const std::string paths[] = {
            "c:\\winstart.bat",
            "c:\\msdos.sys",
            windowsDir_ + "winstart.bat",
            systemDir_ + "winstart.bat",
            windowsDir_ + "command\\winstart.bat",
            windowsDir_ + "command\\cmdinit.bat",
            "c:\\autoexec.bat",
            "c:\\config.sys",
            "c:\\win.bat",
            "c:\\winboot.ini",
            windowsDir_ + "wininit.ini",
        };
        for (const std::string& path : paths)
            if (sys_.FileExists(path)) {
                if (origins_) origin_.checkedFile = path;
                AddFile(path, path, {}, sys_.FileChecksum(path), AutostartGroup::BootFiles, 1);
            }
    }

    void RootExplorer(std::string_view caption) {
        const std::string path = "c:\\explorer.exe";
        if (sys_.FileExists(path)) {
            if (origins_) origin_.checkedFile = path;
            AddFile(path, caption, {}, sys_.FileChecksum(path), AutostartGroup::RootExplorer, 1);
        }
    }

    // The groups from 9 on, or only those the guard watches.
    void NewGroups(bool watchedOnly, std::string_view defaultMark, const SourceTexts& words = {}) {
        const GroupScan::Sink sink = [this](AutostartEntry& record, EntryOrigin& origin) {
            rec_ = record;
            if (origins_) origin_ = std::move(origin);
            // A task or service switched off stays where it is: the scan
            // finds it, unticked.
            Add(StateAtSource(record.Group) ? record.Active : 1);
        };
        for (const GroupScanner& g : kGroupScanners) {
            if (watchedOnly && !GuardWatchesGroup(g.group)) continue;
            GroupScan scan(sys_, reg_, windowsDir_, systemDir_, defaultMark, sink);
            scan.SetWords(words);
            g.scan(scan);
        }
        reg_.CloseKey();
    }

  private:
    // The one place each kind of record is filled; every field not named
    // stays zero.
    void AddRegistry(RegRoot root, std::string_view keyPath, std::string_view name,
                     std::string_view data, std::string_view caption, std::string_view detail,
                     AutostartGroup group, uint8_t sourceFlag) {
        rec_.Kind = KindRegistry;
        rec_.RootKey.assign(RootText(root));
        rec_.KeyPath.assign(keyPath);
        rec_.ValueName.assign(name);
        rec_.ValueData.assign(data);
        rec_.SourceFlag = sourceFlag;
        rec_.Caption.assign(caption);
        rec_.Detail.assign(detail);
        rec_.Group = GroupByte(group);
        Add();
    }

    void AddFile(std::string_view path, std::string_view caption, std::string_view detail,
                 int32_t checksum, AutostartGroup group, uint8_t sourceFlag) {
        rec_.Kind = KindFile;
        rec_.FileName.assign(path);
        rec_.SourceFlag = sourceFlag;
        rec_.Caption.assign(caption);
        rec_.Detail.assign(detail);
        rec_.Group = GroupByte(group);
        rec_.Checksum = checksum;
        Add();
    }

    void IniEntry(const std::string& file, std::string_view section, std::string_view key,
                  std::string_view caption, uint8_t sourceFlag) {
        if (!sys_.ReadIniKey(file, section, key, text_)) return;
        rec_.Kind = KindIni;
        rec_.FileName.assign(file);
        rec_.RootKey.assign(section);
        rec_.ValueName.assign(key);
        rec_.ValueData.assign(text_);
        rec_.SourceFlag = sourceFlag;
        rec_.Caption.assign(caption);
        rec_.Detail.assign(text_);
        rec_.Group = GroupByte(AutostartGroup::IniLines);
        Add();
    }

    // Every text value of the open key, named and valued as it is stored.
    void Values(RegRoot root, std::string_view keyPath, AutostartGroup group, uint8_t sourceFlag) {
        reg_.ForEachValue([&](std::string_view name, ValueRead kind, std::string_view data) {
            // Windows runs only text values; anything else is skipped, and
            // the scan goes on with the next value.
            if (kind != ValueRead::Text) return;
            // The switch goes by the value's whole name, which the record
            // may cut.
            if (origins_ && approval_ != ApprovalList::None)
                origin_.approval = {approval_, approvalRoot_, std::string(name)};
            AddRegistry(root, keyPath, name, data, name, data, group, sourceFlag);
        });
    }

    void Add(uint8_t active = 1) {
        bool added = true;
        if (capped_) {
            added = AddASEntry(out_, rec_, active) >= 0;
        } else {
            rec_.Active = active;
            out_.push_back(rec_);
            rec_ = ZeroEntry();
        }
        // The origins stay parallel to the entries: an entry that did not
        // fit has none.
        if (origins_ && added) origins_->push_back(std::move(origin_));
        origin_ = EntryOrigin();
    }

    ScanPlatform& sys_;
    RegistryReader& reg_;
    std::vector<AutostartEntry>& out_;
    const bool capped_;
    const std::string windowsDir_;
    const std::string systemDir_;
    std::vector<EntryOrigin>* origins_;
    EntryOrigin origin_;
    ApprovalList approval_ = ApprovalList::None;
    RegRoot approvalRoot_ = RegRoot::CurrentUser;
    AutostartEntry rec_ = ZeroEntry();
    std::string keyPath_;
    std::string text_;
    std::string text2_;
};

} // namespace

void ScanAutostartsWith(AppModel& model, ScanPlatform& platform, std::string_view explorerCaption,
                        std::vector<EntryOrigin>* origins, std::string_view defaultMark) {
    model.WindowsDir = IncludeTrailingBackslash(platform.WindowsDirectory());
    model.SystemDir = IncludeTrailingBackslash(platform.SystemDirectory());
    std::unique_ptr<RegistryReader> reg = platform.CreateRegistryReader();
    model.ASEntries.clear();
    if (origins) origins->clear();
    Scan scan(platform, *reg, model.ASEntries, true, model.WindowsDir, model.SystemDir, origins);
    scan.RunKeys(kRunKeys);
    scan.ShellOpenCommands();
    scan.ActiveSetupStubPaths(kActiveSetupKey);
    scan.StaticVxDs();
    scan.IcqAgentApps();
    scan.StartupFolders();
    scan.IniLines();
    scan.BootFiles();
    scan.RootExplorer(explorerCaption);
    // The sources of today's machines come last, so that the ten sources
    // above keep their entries in the same places as ever, and each group
    // shows them behind its own: the 32-bit view's run keys, the policy run
    // keys, then the 32-bit view's Active Setup.
    scan.RunKeys(kWow64RunKeys);
    scan.RunKeys(kPolicyRunKeys);
    scan.ActiveSetupStubPaths(kWow64ActiveSetupKey);
    // The groups of today's Windows, each after the nine.
    scan.NewGroups(false, defaultMark, SourceTextsOf(model.LanguageTable));
}

std::vector<AutostartEntry> ScanWatchedSources(ScanPlatform& platform) {
    std::vector<AutostartEntry> out;
    std::unique_ptr<RegistryReader> reg = platform.CreateRegistryReader();
    {
        // The watched sources of old name no file below the system folders.
        Scan scan(platform, *reg, out, false, {}, {});
        scan.RunKeys(kRunKeys);
        scan.StartupFolders();
        scan.RunKeys(kWow64RunKeys);
        scan.RunKeys(kPolicyRunKeys);
    }
    // The newer groups resolve their programs in them. The mark changes
    // only the caption, which no comparison reads.
    const std::string windowsDir = IncludeTrailingBackslash(platform.WindowsDirectory());
    const std::string systemDir = IncludeTrailingBackslash(platform.SystemDirectory());
    Scan(platform, *reg, out, false, windowsDir, systemDir).NewGroups(true, {});
    return out;
}

void ScanAutostarts(AppModel& model, std::string_view explorerCaption,
                    std::string_view defaultMark) {
    ScanAutostartsWith(model, WindowsScanPlatform(), explorerCaption, nullptr, defaultMark);
}

} // namespace qv
