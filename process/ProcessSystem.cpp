// The Windows side of the process table: procs.dll, the snapshot functions
// of kernel32, and ending a process.
#include "process/ProcessTable.h"

#include "base/Handles.h"

#include <windows.h>
#include <tlhelp32.h>

namespace qv {

// A snapshot record is copied into the table in whole: the layouts must agree.
static_assert(sizeof(ProcessEntry) == sizeof(PROCESSENTRY32));
static_assert(offsetof(ProcessEntry, dwSize) == offsetof(PROCESSENTRY32, dwSize));
static_assert(offsetof(ProcessEntry, cntUsage) == offsetof(PROCESSENTRY32, cntUsage));
static_assert(offsetof(ProcessEntry, th32ProcessID) == offsetof(PROCESSENTRY32, th32ProcessID));
static_assert(offsetof(ProcessEntry, th32DefaultHeapID) ==
              offsetof(PROCESSENTRY32, th32DefaultHeapID));
static_assert(sizeof(ProcessEntry::th32DefaultHeapID) == sizeof(PROCESSENTRY32::th32DefaultHeapID));
static_assert(offsetof(ProcessEntry, th32ModuleID) == offsetof(PROCESSENTRY32, th32ModuleID));
static_assert(offsetof(ProcessEntry, cntThreads) == offsetof(PROCESSENTRY32, cntThreads));
static_assert(offsetof(ProcessEntry, th32ParentProcessID) ==
              offsetof(PROCESSENTRY32, th32ParentProcessID));
static_assert(offsetof(ProcessEntry, pcPriClassBase) == offsetof(PROCESSENTRY32, pcPriClassBase));
static_assert(offsetof(ProcessEntry, dwFlags) == offsetof(PROCESSENTRY32, dwFlags));
static_assert(offsetof(ProcessEntry, szExeFile) == offsetof(PROCESSENTRY32, szExeFile));
static_assert(sizeof(ProcessEntry::szExeFile) == sizeof(PROCESSENTRY32::szExeFile));

namespace {
using GetNumberOfProcessesFn = DWORD(WINAPI*)();
using GetProcessIDListFn = DWORD(WINAPI*)(DWORD*, DWORD);
using GetProcessPathFn = DWORD(WINAPI*)(DWORD, char*, DWORD);
using CreateSnapshotFn = HANDLE(WINAPI*)(DWORD, DWORD);
using Process32Fn = BOOL(WINAPI*)(HANDLE, PROCESSENTRY32*);

// The library is looked for beside the executable and in the system folder
// only: a procs.dll in the current directory or on the PATH is never loaded
// in its place. Systems too old for the restricted search fall back to the
// plain one.
HMODULE LoadProcessLibrary(const char* name) {
    HMODULE module = ::LoadLibraryExA(
        name, nullptr, LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!module && ::GetLastError() == ERROR_INVALID_PARAMETER) module = ::LoadLibraryA(name);
    return module;
}

template <class F> F Lookup(HMODULE module, const char* name) {
    if (!module) return nullptr;
    return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}
} // namespace

struct SystemProcessSource::Impl {
    ModuleHandle library;
    GetNumberOfProcessesFn count = nullptr;
    GetProcessIDListFn idList = nullptr;
    GetProcessPathFn path = nullptr;
    CreateSnapshotFn createSnapshot = nullptr;
    Process32Fn first = nullptr;
    Process32Fn next = nullptr;
    UniqueHandle snapshot;

    bool LibraryComplete() const { return count && idList && path; }
};

SystemProcessSource::SystemProcessSource(const char* library) : impl_(new Impl) {
    impl_->library.reset(LoadProcessLibrary(library));
    impl_->count = Lookup<GetNumberOfProcessesFn>(impl_->library.get(), "GetNumberOfProcesses");
    impl_->idList = Lookup<GetProcessIDListFn>(impl_->library.get(), "GetProcessIDList");
    impl_->path = Lookup<GetProcessPathFn>(impl_->library.get(), "GetProcessPath");
    HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    impl_->createSnapshot = Lookup<CreateSnapshotFn>(kernel, "CreateToolhelp32Snapshot");
    impl_->first = Lookup<Process32Fn>(kernel, "Process32First");
    impl_->next = Lookup<Process32Fn>(kernel, "Process32Next");
}

SystemProcessSource::~SystemProcessSource() {
    delete impl_;
}

uint32_t SystemProcessSource::NumberOfProcesses() {
    // Without all three functions there is no table to build.
    return impl_->LibraryComplete() ? impl_->count() : 0;
}

uint32_t SystemProcessSource::ProcessIdList(uint32_t* buffer, uint32_t bytes) {
    if (!impl_->LibraryComplete()) return 0;
    static_assert(sizeof(DWORD) == sizeof(uint32_t));
    return impl_->idList(reinterpret_cast<DWORD*>(buffer), bytes);
}

void SystemProcessSource::ProcessPath(uint32_t processId, char* buffer, uint32_t chars) {
    if (impl_->LibraryComplete()) impl_->path(processId, buffer, chars);
}

bool SystemProcessSource::OpenSnapshot() {
    if (!impl_->createSnapshot || !impl_->first || !impl_->next) return false;
    impl_->snapshot.reset(impl_->createSnapshot(TH32CS_SNAPALL, 0));
    return static_cast<bool>(impl_->snapshot);
}

bool SystemProcessSource::FirstProcess(ProcessEntry& record) {
    return impl_->first(impl_->snapshot.get(), reinterpret_cast<PROCESSENTRY32*>(&record));
}

bool SystemProcessSource::NextProcess(ProcessEntry& record) {
    return impl_->next(impl_->snapshot.get(), reinterpret_cast<PROCESSENTRY32*>(&record));
}

void SystemProcessSource::CloseSnapshot() {
    impl_->snapshot.reset();
}

bool KillProcess(uint32_t processId) {
    UniqueHandle process(::OpenProcess(PROCESS_TERMINATE, FALSE, processId));
    if (!process) return false;
    return ::TerminateProcess(process.get(), 0) != FALSE;
}

} // namespace qv
