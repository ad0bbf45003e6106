#pragma once
// Starts prochelper.exe (or a copy of it) as a process of its own; whatever
// a test does, the process does not outlive the object.
#include "model/AppModel.h"
#include "base/Files.h"
#include "base/Handles.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace qv::test {

inline std::string HelperPath() {
    return ExecutableDir() + "prochelper.exe";
}

class HelperProcess {
  public:
    explicit HelperProcess(std::string exe = HelperPath(), DWORD limitMs = 60000)
        : path_(std::move(exe)) {
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        std::string cmd = "\"" + path_ + "\" " + std::to_string(limitMs);
        if (::CreateProcessA(path_.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &si, &pi)) {
            process_.reset(pi.hProcess);
            ::CloseHandle(pi.hThread);
            id_ = pi.dwProcessId;
        }
    }
    ~HelperProcess() {
        if (Running()) {
            ::TerminateProcess(process_.get(), 1);
            ::WaitForSingleObject(process_.get(), 10000);
        }
    }
    HelperProcess(const HelperProcess&) = delete;
    HelperProcess& operator=(const HelperProcess&) = delete;

    bool Started() const { return static_cast<bool>(process_); }
    DWORD Id() const { return id_; }
    HANDLE Handle() const { return process_.get(); }
    const std::string& Path() const { return path_; }
    bool Running() const {
        return process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
    }
    // Waits for the end the test has brought about; the limit is generous
    // for a slow machine and no measure of speed.
    bool WaitForEnd() const {
        return process_ && ::WaitForSingleObject(process_.get(), 10000) == WAIT_OBJECT_0;
    }
    DWORD ExitCode() const {
        DWORD code = STILL_ACTIVE;
        ::GetExitCodeProcess(process_.get(), &code);
        return code;
    }
    uint64_t CreationTime() const {
        FILETIME c{}, e{}, k{}, u{};
        ::GetProcessTimes(process_.get(), &c, &e, &k, &u);
        return (uint64_t(c.dwHighDateTime) << 32) | c.dwLowDateTime;
    }

  private:
    std::string path_;
    UniqueHandle process_;
    DWORD id_ = 0;
};

} // namespace qv::test
