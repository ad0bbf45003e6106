// The Windows side of ProcessControl: OpenProcess, GetProcessTimes,
// TerminateProcess, the critical mark through ntdll, and the priority class.
#include "process/ProcessControl.h"

#include "base/Handles.h"
#include "base/Text.h"

#include <windows.h>

namespace qv {

namespace {

// NtQueryInformationProcess, looked up at run time: it is no documented part
// of the Windows API, and a system without it simply has no critical marks.
using NtQueryInformationProcessFn = LONG(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);
constexpr ULONG kProcessBreakOnTermination = 29;

NtQueryInformationProcessFn QueryFunction() {
    static const NtQueryInformationProcessFn fn = [] {
        HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
        return ntdll ? reinterpret_cast<NtQueryInformationProcessFn>(reinterpret_cast<void*>(
                           ::GetProcAddress(ntdll, "NtQueryInformationProcess")))
                     : nullptr;
    }();
    return fn;
}

std::optional<uint64_t> CreationTimeOf(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) return std::nullopt;
    return (uint64_t(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

std::optional<bool> BreakOnTermination(HANDLE process) {
    NtQueryInformationProcessFn query = QueryFunction();
    if (!query) return std::nullopt;
    ULONG value = 0;
    if (query(process, kProcessBreakOnTermination, &value, sizeof value, nullptr) < 0)
        return std::nullopt;
    return value != 0;
}

class WinOpenedProcess : public OpenedProcess {
  public:
    WinOpenedProcess(UniqueHandle handle, uint32_t processId)
        : handle_(std::move(handle)), processId_(processId) {}

    std::optional<uint64_t> CreationTime() override { return CreationTimeOf(handle_.get()); }

    bool HasEnded() override {
        // An exit code of 259 cannot be told from "still running"; such a
        // process is merely terminated once more.
        DWORD code = STILL_ACTIVE;
        return ::GetExitCodeProcess(handle_.get(), &code) && code != STILL_ACTIVE;
    }

    bool Terminate() override { return ::TerminateProcess(handle_.get(), 0) != FALSE; }

    std::optional<bool> MarkedCritical() override {
        if (auto mark = BreakOnTermination(handle_.get())) return mark;
        // Some systems answer only with the full query right. A second
        // handle counts only if it names the same process as the first.
        UniqueHandle full(::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId_));
        if (!full) return std::nullopt;
        std::optional<uint64_t> mine = CreationTime();
        if (!mine || CreationTimeOf(full.get()) != mine) return std::nullopt;
        return BreakOnTermination(full.get());
    }

  private:
    UniqueHandle handle_;
    uint32_t processId_;
};

std::unique_ptr<OpenedProcess> Open(DWORD access, uint32_t processId) {
    UniqueHandle handle(::OpenProcess(access, FALSE, processId));
    if (!handle) return nullptr;
    return std::make_unique<WinOpenedProcess>(std::move(handle), processId);
}

class WinProcessControl : public ProcessControl {
  public:
    std::unique_ptr<OpenedProcess> OpenForQuery(uint32_t processId) override {
        return Open(PROCESS_QUERY_LIMITED_INFORMATION, processId);
    }
    std::unique_ptr<OpenedProcess> OpenForTermination(uint32_t processId) override {
        return Open(PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, processId);
    }
    uint32_t PriorityClass() override { return ::GetPriorityClass(::GetCurrentProcess()); }
    void SetPriorityClass(uint32_t priorityClass) override {
        ::SetPriorityClass(::GetCurrentProcess(), priorityClass);
    }
    uint32_t CurrentProcessId() override { return ::GetCurrentProcessId(); }
    std::string SystemDirectory() override {
        char buffer[MAX_PATH + 1] = {};
        UINT n = ::GetSystemDirectoryA(buffer, MAX_PATH);
        if (n == 0 || n > MAX_PATH) return {};
        return IncludeTrailingBackslash(std::string(buffer, n));
    }
};

} // namespace

ProcessControl& SystemProcessControl() {
    static WinProcessControl control;
    return control;
}

} // namespace qv
