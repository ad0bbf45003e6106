#include "base/SingleInstance.h"

#include "base/Handles.h"

namespace qv {

std::string InstanceMutexName(std::string_view exePath) {
    std::string name(exePath);
    for (char& c : name)
        if (c == '\\') c = '/';
    return name;
}

SingleInstance::SingleInstance(const std::string& exePath) : name_(InstanceMutexName(exePath)) {
    Reacquire();
}

void SingleInstance::Release() {
    mutex_.reset();
    acquired_ = false;
}

bool SingleInstance::Reacquire() {
    HANDLE h = ::CreateMutexA(nullptr, TRUE, name_.c_str());
    DWORD err = ::GetLastError();
    if (h && err == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(h);
        return false;
    }
    // Without a mutex at all the program runs, as it always has.
    mutex_.reset(h);
    acquired_ = true;
    return true;
}

} // namespace qv
