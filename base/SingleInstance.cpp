#include "base/SingleInstance.h"

#include "base/Handles.h"

namespace qv {

namespace {
UniqueHandle g_mutex;
}

std::string InstanceMutexName(std::string_view exePath) {
    std::string name(exePath);
    for (char& c : name)
        if (c == '\\') c = '/';
    return name;
}

bool AcquireSingleInstance(const std::string& exePath) {
    std::string name = InstanceMutexName(exePath);
    HANDLE h = ::CreateMutexA(nullptr, TRUE, name.c_str());
    DWORD err = ::GetLastError();
    if (h && err == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(h);
        return false;
    }
    g_mutex.reset(h);
    return true;
}

void ReleaseSingleInstance() {
    g_mutex.reset();
}

} // namespace qv
