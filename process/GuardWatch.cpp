#include "process/GuardWatch.h"

#include "base/SingleInstance.h"
#include "autostart/ScanPlatform.h"
#include "autostart/Scanner.h"
#include "base/Files.h"
#include "base/Handles.h"
#include "base/Text.h"
#include "database/CRC.h"
#include "database/KnownEntries.h"
#include "process/FunctionUnit.h"
#include "base/WinText.h"

#include <windows.h>

#include <map>
#include <string>

namespace qv {

namespace {

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

// The real system, with checksums and link targets remembered per file.
class CachingPlatform : public ForwardingScanPlatform {
  public:
    std::string ResolveLink(const std::string& path) override { return CachedLinkTarget(path); }
    int32_t FileChecksum(const std::string& path) override { return CachedCRC32(path); }
};

} // namespace

std::string GuardInstanceName(std::string_view exePath) {
    return "QV6Guard:" + InstanceMutexName(exePath);
}

std::string DescribeEntry(const AutostartEntry& entry, std::string_view groupName) {
    std::string text(groupName);
    if (!text.empty()) text += " | ";
    text += entry.Caption.str();
    text += " | ";
    text += entry.Detail.str();
    return text;
}

std::vector<AutostartEntry> ReadWatchedEntries() {
    static CachingPlatform platform;
    return ScanWatchedSources(platform);
}

std::vector<AutostartEntry> AutostartWatch::Update(std::vector<AutostartEntry> current,
                                                   const KnownEntryDB& known) {
    std::vector<AutostartEntry> fresh;
    for (const AutostartEntry& e : current) {
        bool seen = false;
        for (const AutostartEntry& s : seen_) {
            if (SameAutostartPoint(s, e, false)) {
                seen = true;
                break;
            }
        }
        if (!seen && known.Find(e, false) < 0) fresh.push_back(e);
    }
    seen_ = std::move(current);
    return fresh;
}

} // namespace qv
