#include "autostart/Scanner.h"

#include "app/LanguageTable.h"
#include "autostart/AutostartEntry.h"
#include "autostart/ScanPlatform.h"
#include "base/Text.h"

#include <array>

namespace qv {

std::string WindowsDir;
std::string SystemDir;

namespace {

using namespace std::string_view_literals;

struct RunKey {
    RegRoot root;
    std::string_view path; // stored in the entry without the leading backslash
};

constexpr std::array<RunKey, 8> kRunKeys{{
    {RegRoot::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Run"},
    {RegRoot::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices"},
    {RegRoot::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"},
    {RegRoot::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Run"},
    {RegRoot::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices"},
    {RegRoot::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"},
    {RegRoot::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce"},
    {RegRoot::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx"},
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

std::string_view RootText(RegRoot root) {
    switch (root) {
    case RegRoot::ClassesRoot:
        return kRootClassesRoot;
    case RegRoot::CurrentUser:
        return kRootCurrentUser;
    case RegRoot::LocalMachine:
        return kRootLocalMachine;
    }
    return {};
}

// out := a + b + c, reusing out's storage.
void Join(std::string& out, std::string_view a, std::string_view b, std::string_view c = {}) {
    out.clear();
    out.reserve(a.size() + b.size() + c.size());
    out.append(a.data(), a.size());
    out.append(b.data(), b.size());
    out.append(c.data(), c.size());
}

class Scan {
  public:
    // Entries go to ASEntries, or to `out` when one is given.
    Scan(ScanPlatform& platform, RegistryReader& reg, std::vector<AutostartEntry>* out = nullptr)
        : sys_(platform), reg_(reg), out_(out) {}

    void RunKeys() {
        for (const RunKey& k : kRunKeys) {
            Join(keyPath_, "\\", k.path);
            if (!reg_.OpenKey(k.root, keyPath_)) continue;
            reg_.ForEachValue([&](std::string_view name, ValueRead kind, std::string_view data) {
                // Windows runs only text values; anything else is skipped, and
                // the scan goes on with the next value.
                if (kind != ValueRead::Text) return;
                rec_.Kind = KindRegistry;
                rec_.RootKey.assign(RootText(k.root));
                rec_.KeyPath.assign(k.path);
                rec_.ValueName.assign(name);
                rec_.ValueData.assign(data);
                rec_.Caption.assign(name);
                rec_.Detail.assign(data);
                rec_.Group = 0;
                Add();
            });
        }
    }

    void ShellOpenCommands() {
        for (const ShellOpenKey& k : kShellOpenKeys) {
            if (!reg_.OpenKey(RegRoot::ClassesRoot, k.path)) continue;
            // A key that opens always gives an entry, even with an empty or
            // unreadable default value.
            reg_.ReadText("", text_);
            rec_.Kind = KindRegistry;
            rec_.RootKey.assign(kRootClassesRoot);
            rec_.KeyPath.assign(k.path);
            rec_.ValueData.assign(text_);
            rec_.Caption.assign(k.label);
            rec_.Detail.assign(text_);
            rec_.Group = 1;
            Add();
        }
    }

    void ActiveSetupStubPaths() {
        if (!reg_.OpenKey(RegRoot::LocalMachine, kActiveSetupKey)) return;
        for (const std::string& sub : reg_.SubkeyNames()) {
            Join(keyPath_, kActiveSetupKey, "\\", sub);
            if (!reg_.OpenKey(RegRoot::LocalMachine, keyPath_)) continue;
            // Value names are matched by the registry without regard to case.
            if (reg_.ReadText("StubPath", text_) != ValueRead::Text) continue;
            reg_.ReadText("", text2_);
            rec_.Kind = KindRegistry;
            rec_.RootKey.assign(kRootLocalMachine);
            rec_.KeyPath.assign(keyPath_);
            rec_.ValueName.assign("StubPath");
            rec_.ValueData.assign(text_);
            rec_.SourceFlag = 1;
            rec_.Caption.assign(sub);
            rec_.Detail.assign(text2_);
            rec_.Group = 2;
            Add();
        }
    }

    void StaticVxDs() {
        if (!reg_.OpenKey(RegRoot::LocalMachine, kVxDKey)) return;
        for (const std::string& sub : reg_.SubkeyNames()) {
            Join(keyPath_, kVxDKey, "\\", sub);
            if (!reg_.OpenKey(RegRoot::LocalMachine, keyPath_)) continue;
            if (reg_.ReadText("StaticVxD", text_) != ValueRead::Text) continue;
            rec_.Kind = KindRegistry;
            rec_.RootKey.assign(kRootLocalMachine);
            rec_.KeyPath.assign(keyPath_);
            rec_.ValueName.assign("StaticVxD");
            rec_.ValueData.assign(text_);
            rec_.SourceFlag = 1;
            rec_.Caption.assign(text_);
            rec_.Detail.assign(sub);
            rec_.Group = 3;
            Add();
        }
    }

    void IcqAgentApps() {
        if (!reg_.OpenKey(RegRoot::CurrentUser, kIcqAppsKey)) return;
        IcqValues(kIcqAppsKey);
        Join(keyPath_, kIcqAppsKey, "\\test");
        if (reg_.OpenKey(RegRoot::CurrentUser, keyPath_)) IcqValues(keyPath_);
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
                rec_.Kind = KindFile;
                rec_.FileName.assign(path);
                rec_.Caption.assign(name);
                rec_.Group = 5;
                if (UpperAscii(ExtractFileExt(name)) == ".LNK") {
                    std::string target = sys_.ResolveLink(path);
                    rec_.Detail.assign(target);
                    // An unresolved link has no target to check: -1, like an
                    // unreadable file.
                    rec_.Checksum = target.empty() ? -1 : sys_.FileChecksum(target);
                } else {
                    rec_.Detail.assign(name);
                    rec_.Checksum = sys_.FileChecksum(path);
                }
                Add();
            });
        }
        reg_.CloseKey();
    }

    void IniLines() {
        const std::string winIni = WindowsDir + "win.ini";
        if (sys_.FileExists(winIni)) {
            IniEntry(winIni, "windows", "load", "[WIN.INI] [WINDOWS] LOAD", 0);
            IniEntry(winIni, "windows", "run", "[WIN.INI] [WINDOWS] RUN", 0);
        }
        const std::string systemIni = WindowsDir + "system.ini";
        if (sys_.FileExists(systemIni))
            IniEntry(systemIni, "boot", "shell", "[SYSTEM.INI] [BOOT] SHELL", 1);
    }

    void BootFiles() {
        const std::string paths[] = {
            "c:\\winstart.bat",
            "c:\\msdos.sys",
            WindowsDir + "winstart.bat",
            SystemDir + "winstart.bat",
            WindowsDir + "command\\winstart.bat",
            WindowsDir + "command\\cmdinit.bat",
            "c:\\autoexec.bat",
            "c:\\config.sys",
            "c:\\win.bat",
            "c:\\winboot.ini",
            WindowsDir + "wininit.ini",
        };
        for (const std::string& path : paths) {
            if (!sys_.FileExists(path)) continue;
            rec_.Kind = KindFile;
            rec_.FileName.assign(path);
            rec_.Caption.assign(path);
            rec_.SourceFlag = 1;
            rec_.Group = 7;
            rec_.Checksum = sys_.FileChecksum(path);
            Add();
        }
    }

    void RootExplorer(std::string_view caption) {
        const std::string path = "c:\\explorer.exe";
        if (!sys_.FileExists(path)) return;
        rec_.Kind = KindFile;
        rec_.FileName.assign(path);
        rec_.Caption.assign(caption);
        rec_.SourceFlag = 1;
        rec_.Group = 8;
        rec_.Checksum = sys_.FileChecksum(path);
        Add();
    }

  private:
    void Add() {
        if (!out_) {
            AddASEntry(rec_, 1);
            return;
        }
        rec_.Active = 1;
        out_->push_back(rec_);
        rec_ = ZeroEntry();
    }

    void IcqValues(std::string_view keyPath) {
        reg_.ForEachValue([&](std::string_view name, ValueRead kind, std::string_view data) {
            if (kind != ValueRead::Text) return;
            rec_.Kind = KindRegistry;
            rec_.RootKey.assign(kRootCurrentUser);
            rec_.KeyPath.assign(keyPath);
            rec_.ValueName.assign(name);
            rec_.ValueData.assign(data);
            rec_.SourceFlag = 1;
            rec_.Caption.assign(name);
            rec_.Detail.assign(data);
            rec_.Group = 4;
            Add();
        });
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
        rec_.Group = 6;
        Add();
    }

    ScanPlatform& sys_;
    RegistryReader& reg_;
    std::vector<AutostartEntry>* out_;
    AutostartEntry rec_ = ZeroEntry();
    std::string keyPath_;
    std::string text_;
    std::string text2_;
};

} // namespace

void ScanAutostartsWith(ScanPlatform& platform, std::string_view explorerCaption) {
    WindowsDir = IncludeTrailingBackslash(platform.WindowsDirectory());
    SystemDir = IncludeTrailingBackslash(platform.SystemDirectory());
    std::unique_ptr<RegistryReader> reg = platform.CreateRegistryReader();
    ASEntries.clear();
    Scan scan(platform, *reg);
    scan.RunKeys();
    scan.ShellOpenCommands();
    scan.ActiveSetupStubPaths();
    scan.StaticVxDs();
    scan.IcqAgentApps();
    scan.StartupFolders();
    scan.IniLines();
    scan.BootFiles();
    scan.RootExplorer(explorerCaption);
}

std::vector<AutostartEntry> ScanWatchedSources(ScanPlatform& platform) {
    std::vector<AutostartEntry> out;
    std::unique_ptr<RegistryReader> reg = platform.CreateRegistryReader();
    Scan scan(platform, *reg, &out);
    scan.RunKeys();
    scan.StartupFolders();
    return out;
}

void ScanAutostarts() {
    ScanAutostartsWith(WindowsScanPlatform(), LanguageTable[9]);
}

} // namespace qv
