#include "process/GuardWatch.h"

#include "base/SingleInstance.h"
#include "autostart/ScanPlatform.h"
#include "autostart/Scanner.h"
#include "autostart/SystemSources.h"
#include "base/Files.h"
#include "base/Handles.h"
#include "base/Text.h"
#include "database/CRC.h"
#include "database/KnownEntries.h"
#include "process/FunctionUnit.h"
#include "base/WinText.h"

#include <windows.h>

#include <map>
#include <memory>
#include <optional>
#include <unordered_map>
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

// Whether a registry key or a folder tree changed since the last question.
// The first question, and every one while no notification can be set up,
// answers yes: then the source is read at every look, as without a watch.
class ChangeWatch {
  public:
    static ChangeWatch Key(const wchar_t* path) {
        ChangeWatch w;
        w.event_ = UniqueHandle(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_NOTIFY, w.key_.put()) != ERROR_SUCCESS)
            w.key_ = RegKey();
        return w;
    }
    static ChangeWatch Folder(const std::wstring& path) {
        ChangeWatch w;
        w.folder_ = path;
        return w;
    }
    // Set up anew before the caller reads the source, so that a change made
    // while it reads is seen at the next question.
    bool Changed() {
        if (armed_ && Signalled()) armed_ = false;
        if (armed_) return false;
        armed_ = Arm();
        return true;
    }

  private:
    bool Signalled() {
        HANDLE h = key_ ? event_.get() : folderChange_.get();
        return ::WaitForSingleObject(h, 0) == WAIT_OBJECT_0;
    }
    bool Arm() {
        if (key_) {
            ::ResetEvent(event_.get());
            return ::RegNotifyChangeKeyValue(key_.get(), TRUE,
                                             REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET,
                                             event_.get(), TRUE) == ERROR_SUCCESS;
        }
        if (folder_.empty()) return false;
        if (folderChange_) return ::FindNextChangeNotification(folderChange_.get()) != FALSE;
        folderChange_ = ChangeHandle(::FindFirstChangeNotificationW(
            folder_.c_str(), TRUE,
            FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_SIZE |
                FILE_NOTIFY_CHANGE_LAST_WRITE));
        return static_cast<bool>(folderChange_);
    }
    using ChangeHandle =
        UniqueResource<HANDLE, HandleTraits<HANDLE, &::FindCloseChangeNotification, true>>;
    RegKey key_;
    UniqueHandle event_;
    std::wstring folder_;
    ChangeHandle folderChange_;
    bool armed_ = false;
};

std::wstring TasksFolder() {
    wchar_t dir[MAX_PATH + 1] = {};
    const UINT n = ::GetSystemDirectoryW(dir, MAX_PATH);
    return n && n <= MAX_PATH ? std::wstring(dir, n) + L"\\Tasks" : std::wstring();
}

// The guard looks every two seconds, and enumerating every service and task
// costs a tenth of a second and more: they are asked again only after the
// services key, the scheduler's task cache or its task files changed.
class ChangeGatedSources : public SystemSources {
  public:
    explicit ChangeGatedSources(SystemSources& real) : real_(real) {}
    std::vector<ServiceConfig> Services(bool drivers) override {
        Watched& r = drivers ? drivers_ : services_;
        if (r.watch.Changed()) r.services = real_.Services(drivers);
        return r.services;
    }
    std::vector<TaskItem> Tasks() override {
        // Both asked, so that both are set up again.
        const bool cache = taskCache_.Changed(), files = taskFiles_.Changed();
        if (cache || files) tasks_ = real_.Tasks();
        return tasks_;
    }
    std::string Utf8ToAnsi(std::string_view utf8) override { return real_.Utf8ToAnsi(utf8); }
    std::optional<StartType> ServiceStart(const std::string& name) override {
        return real_.ServiceStart(name);
    }
    SwitchResult SetServiceStart(const std::string& name, StartType start) override {
        return real_.SetServiceStart(name, start);
    }
    SwitchResult SetTaskEnabled(const std::string& path, bool enabled) override {
        return real_.SetTaskEnabled(path, enabled);
    }

  private:
    static constexpr const wchar_t* kServices = L"System\\CurrentControlSet\\Services";
    struct Watched {
        ChangeWatch watch = ChangeWatch::Key(kServices);
        std::vector<ServiceConfig> services;
    };
    SystemSources& real_;
    Watched services_, drivers_;
    ChangeWatch taskCache_ =
        ChangeWatch::Key(L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Schedule\\TaskCache");
    ChangeWatch taskFiles_ = ChangeWatch::Folder(TasksFolder());
    std::vector<TaskItem> tasks_;
};

// The real system, with checksums and link targets remembered per file and
// the system's services and tasks read again only when they changed.
class CachingPlatform : public ForwardingScanPlatform {
  public:
    std::string ResolveLink(const std::string& path) override { return CachedLinkTarget(path); }
    int32_t FileChecksum(const std::string& path) override { return CachedCRC32(path); }
    SystemSources* Sources() override {
        SystemSources* real = ForwardingScanPlatform::Sources();
        if (!real) return nullptr;
        if (!gated_) gated_ = std::make_unique<ChangeGatedSources>(*real);
        return gated_.get();
    }

  private:
    std::unique_ptr<ChangeGatedSources> gated_;
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
    // By the identity's hash: a run key of thousands of values would make a
    // comparison of every pair take seconds on every tick.
    std::unordered_multimap<uint64_t, const AutostartEntry*> last;
    last.reserve(seen_.size());
    for (const AutostartEntry& s : seen_)
        last.emplace(IdentityHash(s), &s);
    std::vector<AutostartEntry> fresh;
    for (const AutostartEntry& e : current) {
        bool seen = false;
        auto [from, to] = last.equal_range(IdentityHash(e));
        for (auto it = from; it != to && !seen; ++it)
            seen = SameAutostartPoint(*it->second, e, false);
        if (!seen && known.Find(e, false) < 0) fresh.push_back(e);
    }
    seen_ = std::move(current);
    return fresh;
}

} // namespace qv
