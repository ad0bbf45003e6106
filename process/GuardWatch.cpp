#include "process/GuardWatch.h"

#include "app/LanguageTable.h"
#include "app/SingleInstance.h"
#include "base/Files.h"
#include "base/Handles.h"
#include "base/Text.h"
#include "database/CRC.h"
#include "database/KnownEntries.h"
#include "process/FunctionUnit.h"
#include "ui/WinText.h"

#include <windows.h>

#include <map>
#include <string>

namespace qv {

namespace {

struct RunKey {
    HKEY root;
    const char* rootText;
    const char* path;
};

// The same eight keys, in the same order, as the autostart scan reads.
const RunKey kRunKeys[] = {
    {HKEY_CURRENT_USER, kRootCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Run"},
    {HKEY_CURRENT_USER, kRootCurrentUser,
     "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices"},
    {HKEY_CURRENT_USER, kRootCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"},
    {HKEY_LOCAL_MACHINE, kRootLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Run"},
    {HKEY_LOCAL_MACHINE, kRootLocalMachine,
     "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices"},
    {HKEY_LOCAL_MACHINE, kRootLocalMachine,
     "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"},
    {HKEY_LOCAL_MACHINE, kRootLocalMachine,
     "Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce"},
    {HKEY_LOCAL_MACHINE, kRootLocalMachine,
     "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx"},
};

struct StartupFolder {
    HKEY root;
    const char* path;
    const char* value;
};

const StartupFolder kStartupFolders[] = {
    {HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
     "startup"},
    {HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\explorer\\Shell Folders",
     "common startup"},
};

// The value's text up to its first NUL, when it is a text value.
bool ReadText(HKEY key, const char* name, std::string& out) {
    DWORD type = 0, size = 0;
    if (::RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
    std::string data(size + 1, '\0');
    if (::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                           &size) != ERROR_SUCCESS)
        return false;
    out.assign(data.c_str());
    return true;
}

void ReadRunKey(const RunKey& source, std::vector<AutostartEntry>& out) {
    RegKey key;
    if (::RegOpenKeyExA(source.root, source.path, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return;
    DWORD maxName = 0;
    if (::RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                           &maxName, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return;
    std::vector<char> name(maxName + 2);
    for (DWORD i = 0;; ++i) {
        DWORD nameLen = static_cast<DWORD>(name.size());
        LONG r = ::RegEnumValueA(key.get(), i, name.data(), &nameLen, nullptr, nullptr, nullptr,
                                 nullptr);
        if (r == ERROR_MORE_DATA) {
            name.resize(name.size() * 2);
            --i;
            continue;
        }
        if (r != ERROR_SUCCESS) break;
        std::string valueName(name.data(), nameLen);
        std::string data;
        // Only text values are commands; other types are not watched.
        if (!ReadText(key.get(), valueName.c_str(), data)) continue;
        AutostartEntry e = ZeroEntry();
        e.Kind = KindRegistry;
        e.RootKey.assign(source.rootText);
        e.KeyPath.assign(source.path);
        e.ValueName.assign(valueName);
        e.ValueData.assign(data);
        e.Active = 1;
        e.Caption.assign(valueName);
        e.Detail.assign(data);
        e.Group = 0;
        out.push_back(e);
    }
}

// The guard looks every few seconds, and a startup folder may hold a link to
// a large program: checksums and link targets are worked out again only when
// the file they come from has changed (size or time of last write).
struct FileStamp {
    uint64_t size = 0;
    uint64_t written = 0;
    bool operator==(const FileStamp&) const = default;
};

bool StampOf(const std::string& path, FileStamp& stamp) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (path.empty() || !::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return false;
    stamp.size = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    stamp.written =
        (uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    return true;
}

template <class T> struct Remembered {
    FileStamp stamp;
    T value;
};

int32_t CachedCRC32(const std::string& path) {
    static std::map<std::string, Remembered<int32_t>> cache;
    FileStamp stamp;
    if (!StampOf(path, stamp)) {
        cache.erase(path);
        return FileCRC32(path);
    }
    auto it = cache.find(path);
    if (it != cache.end() && it->second.stamp == stamp) return it->second.value;
    int32_t crc = FileCRC32(path);
    cache[path] = {stamp, crc};
    return crc;
}

std::string CachedLinkTarget(const std::string& link) {
    static std::map<std::string, Remembered<std::string>> cache;
    FileStamp stamp;
    if (!StampOf(link, stamp)) {
        cache.erase(link);
        return ResolveShortcut(ToWide(link));
    }
    auto it = cache.find(link);
    if (it != cache.end() && it->second.stamp == stamp) return it->second.value;
    std::string target = ResolveShortcut(ToWide(link));
    cache[link] = {stamp, target};
    return target;
}

void ReadStartupFolder(const StartupFolder& source, std::vector<AutostartEntry>& out) {
    std::string folder;
    {
        RegKey key;
        if (::RegOpenKeyExA(source.root, source.path, 0, KEY_READ, key.put()) != ERROR_SUCCESS)
            return;
        if (!ReadText(key.get(), source.value, folder)) return;
    }
    if (!DirectoryExists(folder)) return;
    WIN32_FIND_DATAA fd;
    FindHandle find(::FindFirstFileA((folder + "\\*.*").c_str(), &fd));
    if (!find) return;
    do {
        std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        AutostartEntry e = ZeroEntry();
        e.Kind = KindFile;
        std::string file = folder + "\\" + name;
        e.FileName.assign(file);
        e.Caption.assign(name);
        e.Group = 5;
        e.Active = 1;
        if (UpperAscii(ExtractFileExt(name)) == ".LNK") {
            std::string target = CachedLinkTarget(file);
            e.Detail.assign(target);
            e.Checksum = CachedCRC32(target);
        } else {
            e.Detail.assign(name);
            e.Checksum = CachedCRC32(file);
        }
        out.push_back(e);
    } while (::FindNextFileA(find.get(), &fd));
}

} // namespace

std::string GuardInstanceName(std::string_view exePath) {
    return "QV6Guard:" + InstanceMutexName(exePath);
}

std::string DescribeEntry(const AutostartEntry& entry) {
    // The group names are the first lines of the language table.
    std::string text = LanguageTable[entry.Group];
    if (!text.empty()) text += " | ";
    text += entry.Caption.str();
    text += " | ";
    text += entry.Detail.str();
    return text;
}

std::vector<AutostartEntry> ReadWatchedEntries() {
    std::vector<AutostartEntry> out;
    for (const RunKey& k : kRunKeys)
        ReadRunKey(k, out);
    for (const StartupFolder& f : kStartupFolders)
        ReadStartupFolder(f, out);
    return out;
}

std::vector<AutostartEntry> AutostartWatch::Update(std::vector<AutostartEntry> current) {
    std::vector<AutostartEntry> fresh;
    for (const AutostartEntry& e : current) {
        bool seen = false;
        for (const AutostartEntry& s : seen_) {
            if (SameAutostartPoint(s, e, false)) {
                seen = true;
                break;
            }
        }
        if (!seen && FindKnownEntry(e, false) < 0) fresh.push_back(e);
    }
    seen_ = std::move(current);
    return fresh;
}

} // namespace qv
