// procs.dll: which processes run, and which executable file each one runs.
// The program loads it by name and calls the three functions below; any
// other consumer may do the same.
#include "base/Handles.h"

#include <windows.h>
#include <psapi.h>

#include <vector>

namespace {

// All ids of the running processes, or nothing when the system refuses.
std::vector<DWORD> RunningProcessIds() {
    std::vector<DWORD> ids(1024);
    for (;;) {
        DWORD bytes = 0;
        DWORD capacity = static_cast<DWORD>(ids.size() * sizeof(DWORD));
        if (!::EnumProcesses(ids.data(), capacity, &bytes)) return {};
        // A full buffer may mean that more ids did not fit: ask again larger.
        if (bytes < capacity) {
            ids.resize(bytes / sizeof(DWORD));
            return ids;
        }
        ids.resize(ids.size() * 2);
    }
}

// The image path into buffer (chars bytes including the NUL). False when
// the process cannot be asked or the path does not fit.
bool ImagePath(DWORD processId, char* buffer, DWORD chars) {
    {
        qv::UniqueHandle process(
            ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
        DWORD size = chars;
        if (process && ::QueryFullProcessImageNameA(process.get(), 0, buffer, &size) &&
            size < chars)
            return true;
    }
    // Systems without the limited right, or processes that refuse it.
    qv::UniqueHandle process(
        ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    if (!process) return false;
    DWORD n = ::GetModuleFileNameExA(process.get(), nullptr, buffer, chars);
    // A result that fills the buffer was cut (and older systems then leave
    // it without a terminator): a cut path names another file, so none.
    return n > 0 && n < chars;
}

} // namespace

extern "C" {

// The number of running processes.
__declspec(dllexport) DWORD WINAPI GetNumberOfProcesses() {
    return static_cast<DWORD>(RunningProcessIds().size());
}

// Fills buffer with up to bytes / 4 process ids and zeroes the slots left
// over. Returns the number of ids stored, 0 on failure.
__declspec(dllexport) DWORD WINAPI GetProcessIDList(DWORD* buffer, DWORD bytes) {
    DWORD slots = bytes / sizeof(DWORD);
    if (!buffer || slots == 0) return 0;
    std::vector<DWORD> ids = RunningProcessIds();
    if (ids.empty()) return 0;
    DWORD n = 0;
    for (; n < slots && n < ids.size(); ++n)
        buffer[n] = ids[n];
    for (DWORD i = n; i < slots; ++i)
        buffer[i] = 0;
    return n;
}

// The full path of the process's executable as NUL-terminated text in
// buffer, which takes chars bytes including the terminator; an empty text
// where the path is unknown or does not fit. Returns the text's length.
__declspec(dllexport) DWORD WINAPI GetProcessPath(DWORD processId, char* buffer, DWORD chars) {
    if (!buffer || chars == 0) return 0;
    buffer[0] = '\0';
    if (processId == 0 || !ImagePath(processId, buffer, chars)) {
        buffer[0] = '\0';
        return 0;
    }
    buffer[chars - 1] = '\0';
    return static_cast<DWORD>(lstrlenA(buffer));
}

} // extern "C"
