#include "autostart/SystemSources.h"

#include "autostart/TaskXml.h"
#include "base/Handles.h"
#include "base/WinText.h"

#include <windows.h>
#include <oleauto.h>
#include <taskschd.h>

#include <algorithm>
#include <functional>

namespace qv {

namespace {

using ServiceHandle = UniqueResource<SC_HANDLE, HandleTraits<SC_HANDLE, &::CloseServiceHandle>>;

// Folders deeper than this and more tasks than this are a planted tree, not
// a machine's tasks; the scan stops there instead of running on.
constexpr int kMaxTaskFolderDepth = 16;
constexpr size_t kMaxTasks = 20000;

class Bstr {
  public:
    Bstr() = default;
    explicit Bstr(const wchar_t* s) : s_(::SysAllocString(s)) {}
    ~Bstr() { ::SysFreeString(s_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR get() const { return s_; }
    BSTR* put() {
        ::SysFreeString(s_);
        s_ = nullptr;
        return &s_;
    }
    std::wstring_view view() const { return s_ ? std::wstring_view(s_, ::SysStringLen(s_)) : L""; }

  private:
    BSTR s_ = nullptr;
};

std::string Utf8Of(std::wstring_view w) {
    if (w.empty()) return {};
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr,
                                        0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr,
                          nullptr);
    return out;
}

std::wstring WideOfUtf8(std::string_view s) {
    if (s.empty()) return {};
    const int n =
        ::MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n);
    return out;
}

std::string AnsiOf(const wchar_t* w) {
    return w ? FromWide(w) : std::string();
}

std::optional<std::wstring> RegText(HKEY key, const wchar_t* name) {
    DWORD type = 0, size = 0;
    if (::RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::nullopt;
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()),
                           &size) != ERROR_SUCCESS)
        return std::nullopt;
    text.resize(::wcsnlen(text.c_str(), size / sizeof(wchar_t)));
    return text;
}

std::optional<DWORD> RegNumber(HKEY key, const wchar_t* name) {
    DWORD type = 0, value = 0, size = sizeof value;
    if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD)
        return std::nullopt;
    return value;
}

// The configuration from the service's key, which is where the Service
// Control Manager keeps it: one registry read instead of three calls into
// the manager per service. Nothing when the key does not say.
bool ReadConfigKey(const wchar_t* name, ServiceConfig& out) {
    RegKey key;
    const std::wstring path = std::wstring(L"System\\CurrentControlSet\\Services\\") + name;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, key.put()) !=
        ERROR_SUCCESS)
        return false;
    const auto type = RegNumber(key.get(), L"Type");
    const auto start = RegNumber(key.get(), L"Start");
    if (!type || !start) return false;
    out.type = *type;
    out.startType = *start;
    // A service without an image path runs nothing the list could show.
    out.imagePath = FromWide(RegText(key.get(), L"ImagePath").value_or(L""));
    return true;
}

// The configuration of one service, or nothing when it cannot be read.
std::optional<ServiceConfig> ReadConfig(SC_HANDLE scm, const ENUM_SERVICE_STATUS_PROCESSW& s) {
    ServiceConfig out;
    out.name = AnsiOf(s.lpServiceName);
    out.displayName = AnsiOf(s.lpDisplayName);
    if (ReadConfigKey(s.lpServiceName, out)) return out;
    ServiceHandle svc(::OpenServiceW(scm, s.lpServiceName, SERVICE_QUERY_CONFIG));
    if (!svc) return std::nullopt;
    DWORD need = 0;
    ::QueryServiceConfigW(svc.get(), nullptr, 0, &need);
    if (need == 0) return std::nullopt;
    std::vector<BYTE> buf(need);
    auto* cfg = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buf.data());
    if (!::QueryServiceConfigW(svc.get(), cfg, need, &need)) return std::nullopt;
    if (out.displayName.empty()) out.displayName = AnsiOf(cfg->lpDisplayName);
    out.imagePath = AnsiOf(cfg->lpBinaryPathName);
    out.type = cfg->dwServiceType;
    out.startType = cfg->dwStartType;
    return out;
}

// ---- the scheduler ----------------------------------------------------------

struct TaskWalk {
    std::vector<TaskItem>& out;
    bool listed = true; // false once a folder could not list its tasks
};

void WalkFolder(ITaskFolder* folder, int depth, TaskWalk& walk) {
    ComPtr<IRegisteredTaskCollection> tasks;
    LONG count = 0;
    // Wine hands out a collection that cannot count: as good as none.
    if (FAILED(folder->GetTasks(TASK_ENUM_HIDDEN, tasks.put())) || !tasks ||
        FAILED(tasks->get_Count(&count))) {
        walk.listed = false;
        return;
    }
    for (LONG i = 1; i <= count && walk.out.size() < kMaxTasks; ++i) {
        VARIANT index;
        ::VariantInit(&index);
        index.vt = VT_I4;
        index.lVal = i;
        ComPtr<IRegisteredTask> task;
        if (FAILED(tasks->get_Item(index, task.put())) || !task) continue;
        Bstr path, xml;
        VARIANT_BOOL enabled = VARIANT_TRUE;
        if (FAILED(task->get_Path(path.put())) || FAILED(task->get_Xml(xml.put()))) continue;
        task->get_Enabled(&enabled);
        TaskItem item;
        item.path = FromWide(path.view());
        item.xml = Utf8Of(xml.view());
        item.enabled = enabled != VARIANT_FALSE;
        walk.out.push_back(std::move(item));
    }
    if (depth >= kMaxTaskFolderDepth) return;
    ComPtr<ITaskFolderCollection> folders;
    if (FAILED(folder->GetFolders(0, folders.put())) || !folders) return;
    LONG n = 0;
    folders->get_Count(&n);
    for (LONG i = 1; i <= n && walk.listed; ++i) {
        VARIANT index;
        ::VariantInit(&index);
        index.vt = VT_I4;
        index.lVal = i;
        ComPtr<ITaskFolder> sub;
        if (SUCCEEDED(folders->get_Item(index, sub.put())) && sub)
            WalkFolder(sub.get(), depth + 1, walk);
    }
}

bool ConnectScheduler(ComPtr<ITaskService>& service) {
    if (FAILED(::CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_ITaskService, service.put_void())) ||
        !service)
        return false;
    VARIANT none;
    ::VariantInit(&none);
    return SUCCEEDED(service->Connect(none, none, none, none));
}

// The definition files, read as they lie: the first bytes beyond the
// reader's limit are enough to know a file is too big.
void WalkTaskFiles(const std::wstring& folder, const std::string& prefix, int depth,
                   std::vector<TaskItem>& out) {
    WIN32_FIND_DATAW fd;
    FindHandle find(::FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &fd,
                                       FindExSearchNameMatch, nullptr, 0));
    if (!find) return;
    do {
        const std::wstring_view name = fd.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring full = folder + L"\\" + fd.cFileName;
        const std::string path = prefix + "\\" + FromWide(name);
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (depth < kMaxTaskFolderDepth) WalkTaskFiles(full, path, depth + 1, out);
            continue;
        }
        if (out.size() >= kMaxTasks) return;
        UniqueHandle file(::CreateFileW(full.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) continue;
        LARGE_INTEGER size{};
        if (!::GetFileSizeEx(file.get(), &size)) continue;
        TaskItem item;
        item.path = path;
        item.xml.resize(static_cast<size_t>(
            std::min<LONGLONG>(size.QuadPart, static_cast<LONGLONG>(kMaxTaskXmlBytes) + 1)));
        DWORD got = 0;
        if (!item.xml.empty() && !::ReadFile(file.get(), item.xml.data(),
                                             static_cast<DWORD>(item.xml.size()), &got, nullptr))
            continue;
        item.xml.resize(got);
        out.push_back(std::move(item));
    } while (::FindNextFileW(find.get(), &fd));
}

std::wstring TasksFolder() {
    wchar_t dir[MAX_PATH + 1] = {};
    const UINT n = ::GetSystemDirectoryW(dir, MAX_PATH);
    return std::wstring(dir, n) + L"\\Tasks";
}

// The registered task at path ("\Folder\Name"), or nothing.
bool OpenTask(ITaskService* service, const std::string& path, ComPtr<IRegisteredTask>& task) {
    const size_t cut = path.rfind('\\');
    if (cut == std::string::npos) return false;
    const std::string folderPath = cut == 0 ? "\\" : path.substr(0, cut);
    ComPtr<ITaskFolder> folder;
    Bstr folderName(ToWide(folderPath).c_str());
    if (FAILED(service->GetFolder(folderName.get(), folder.put())) || !folder) return false;
    Bstr taskName(ToWide(path.substr(cut + 1)).c_str());
    return SUCCEEDED(folder->GetTask(taskName.get(), task.put())) && task;
}

std::optional<StartType> StartOf(SC_HANDLE svc) {
    DWORD need = 0;
    ::QueryServiceConfigW(svc, nullptr, 0, &need);
    if (need == 0) return std::nullopt;
    std::vector<BYTE> buf(need);
    auto* cfg = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buf.data());
    if (!::QueryServiceConfigW(svc, cfg, need, &need)) return std::nullopt;
    return static_cast<StartType>(cfg->dwStartType);
}

SwitchResult FromError(DWORD error) {
    return error == ERROR_ACCESS_DENIED ? SwitchResult::AccessDenied : SwitchResult::Failed;
}

class WindowsSources final : public SystemSources {
  public:
    std::vector<ServiceConfig> Services(bool drivers) override {
        std::vector<ServiceConfig> out;
        ServiceHandle scm(
            ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT | SC_MANAGER_ENUMERATE_SERVICE));
        if (!scm) return out;
        DWORD resume = 0;
        for (int round = 0; round < 64; ++round) {
            DWORD need = 0, count = 0;
            std::vector<BYTE> buf(64 * 1024);
            const BOOL ok = ::EnumServicesStatusExW(
                scm.get(), SC_ENUM_PROCESS_INFO, drivers ? SERVICE_DRIVER : SERVICE_WIN32,
                SERVICE_STATE_ALL, buf.data(), static_cast<DWORD>(buf.size()), &need, &count,
                &resume, nullptr);
            const DWORD error = ok ? ERROR_SUCCESS : ::GetLastError();
            if (!ok && error != ERROR_MORE_DATA) break;
            const auto* s = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSW*>(buf.data());
            for (DWORD i = 0; i < count; ++i)
                if (auto cfg = ReadConfig(scm.get(), s[i])) out.push_back(std::move(*cfg));
            if (ok || count == 0) break;
        }
        return out;
    }

    std::vector<TaskItem> Tasks() override {
        std::vector<TaskItem> out;
        if (schedulerLists_) {
            ComInit com;
            ComPtr<ITaskService> service;
            ComPtr<ITaskFolder> root;
            if (ConnectScheduler(service) &&
                SUCCEEDED(service->GetFolder(Bstr(L"\\").get(), root.put())) && root) {
                TaskWalk walk{out};
                WalkFolder(root.get(), 0, walk);
                if (walk.listed) return out;
            }
            // A scheduler that cannot list now will not list later in this
            // process either: the next scans go to the files at once.
            schedulerLists_ = false;
        }
        // The scheduler cannot list (Wine answers E_NOTIMPL): its files
        // say the same, so they are read instead, all of them.
        out.clear();
        WalkTaskFiles(TasksFolder(), "", 0, out);
        return out;
    }

    std::string Utf8ToAnsi(std::string_view utf8) override { return FromWide(WideOfUtf8(utf8)); }

    std::optional<StartType> ServiceStart(const std::string& name) override {
        ServiceHandle scm(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
        if (!scm) return std::nullopt;
        ServiceHandle svc(::OpenServiceW(scm.get(), ToWide(name).c_str(), SERVICE_QUERY_CONFIG));
        return svc ? StartOf(svc.get()) : std::nullopt;
    }

    SwitchResult SetServiceStart(const std::string& name, StartType start) override {
        ServiceHandle scm(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
        if (!scm) return FromError(::GetLastError());
        ServiceHandle svc(::OpenServiceW(scm.get(), ToWide(name).c_str(),
                                         SERVICE_CHANGE_CONFIG | SERVICE_QUERY_CONFIG));
        if (!svc) return FromError(::GetLastError());
        // Only the start type changes: everything else is left as it is.
        if (!::ChangeServiceConfigW(svc.get(), SERVICE_NO_CHANGE, static_cast<DWORD>(start),
                                    SERVICE_NO_CHANGE, nullptr, nullptr, nullptr, nullptr, nullptr,
                                    nullptr, nullptr))
            return FromError(::GetLastError());
        const auto after = StartOf(svc.get());
        if (!after) return SwitchResult::Failed;
        return *after == start ? SwitchResult::Done : SwitchResult::Unchanged;
    }

    SwitchResult SetTaskEnabled(const std::string& path, bool enabled) override {
        ComInit com;
        ComPtr<ITaskService> service;
        ComPtr<IRegisteredTask> task;
        if (!ConnectScheduler(service) || !OpenTask(service.get(), path, task))
            return SwitchResult::Failed;
        const HRESULT hr = task->put_Enabled(enabled ? VARIANT_TRUE : VARIANT_FALSE);
        if (hr == E_ACCESSDENIED) return SwitchResult::AccessDenied;
        if (FAILED(hr)) return SwitchResult::Failed;
        // The answer of the call is not enough: read what the scheduler
        // keeps now, through a fresh look at the task.
        // The definition it keeps is what runs: Wine answers get_Enabled
        // without looking at it.
        ComPtr<IRegisteredTask> again;
        Bstr xml;
        if (!OpenTask(service.get(), path, again) || FAILED(again->get_Xml(xml.put())))
            return SwitchResult::Failed;
        const auto def = ParseTaskXml(Utf8Of(xml.view()));
        bool now = !enabled;
        if (def) {
            now = def->enabled;
        } else {
            VARIANT_BOOL flag = enabled ? VARIANT_FALSE : VARIANT_TRUE;
            if (FAILED(again->get_Enabled(&flag))) return SwitchResult::Failed;
            now = flag != VARIANT_FALSE;
        }
        return now == enabled ? SwitchResult::Done : SwitchResult::Unchanged;
    }

  private:
    bool schedulerLists_ = true;
};

} // namespace

SystemSources& WindowsSystemSources() {
    static WindowsSources sources;
    return sources;
}

} // namespace qv
