#pragma once
// What the benchmarks share: the clock they read, and the machine of the
// scan benchmarks, 10,000 Run values of the current user and 1,000 files in a
// startup folder of its own, seeded into the throwaway test prefix and
// removed again when the object goes.
#include "base/Files.h"
#include "base/Handles.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace qv::bench {

inline double Now() {
    LARGE_INTEGER f, c;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&c);
    return double(c.QuadPart) / double(f.QuadPart);
}

class ScanMachine {
  public:
    static constexpr int kValues = 10000, kFiles = 1000;
    static constexpr const char* kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    static constexpr const char* kShellFolders =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

    ScanMachine() {
        ::RegCreateKeyExA(HKEY_CURRENT_USER, kRun, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          run_.put(), nullptr);
        ::RegCreateKeyExA(HKEY_CURRENT_USER, kShellFolders, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          folders_.put(), nullptr);
        for (int i = 0; i < kValues; ++i) {
            std::string data = "C:\\Program Files\\Bench\\" + ValueName(i) + ".exe /autostart";
            ::RegSetValueExA(run_.get(), ValueName(i).c_str(), 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(data.c_str()),
                             static_cast<DWORD>(data.size() + 1));
        }
        folder_ = MakeTempDirectory("qv6bench");
        folder_.pop_back();
        for (int i = 0; i < kFiles; ++i) {
            std::string bytes(1024 + (i * 37) % 4096, static_cast<char>('a' + i % 26));
            UniqueHandle f(::CreateFileA(File(i).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
            DWORD put = 0;
            ::WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
        }
        oldSize_ = sizeof oldStartup_ - 1;
        hadStartup_ =
            ::RegQueryValueExA(folders_.get(), "startup", nullptr, &oldType_,
                               reinterpret_cast<BYTE*>(oldStartup_), &oldSize_) == ERROR_SUCCESS;
        ::RegSetValueExA(folders_.get(), "startup", 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(folder_.c_str()),
                         static_cast<DWORD>(folder_.size() + 1));
    }
    ~ScanMachine() {
        for (int i = 0; i < kValues; ++i)
            ::RegDeleteValueA(run_.get(), ValueName(i).c_str());
        if (hadStartup_)
            ::RegSetValueExA(folders_.get(), "startup", 0, oldType_,
                             reinterpret_cast<const BYTE*>(oldStartup_), oldSize_);
        else
            ::RegDeleteValueA(folders_.get(), "startup");
        for (int i = 0; i < kFiles; ++i)
            ::DeleteFileA(File(i).c_str());
        ::RemoveDirectoryA(folder_.c_str());
    }
    ScanMachine(const ScanMachine&) = delete;
    ScanMachine& operator=(const ScanMachine&) = delete;

    // The startup folder, without a trailing backslash, and its i-th file.
    const std::string& Folder() const { return folder_; }
    std::string File(int i) const { return folder_ + "\\file" + std::to_string(i) + ".exe"; }

  private:
    static std::string ValueName(int i) {
        char b[32];
        std::snprintf(b, sizeof b, "bench%05d", i);
        return b;
    }

    RegKey run_, folders_;
    std::string folder_;
    char oldStartup_[4096] = {};
    DWORD oldSize_ = 0, oldType_ = 0;
    bool hadStartup_ = false;
};

} // namespace qv::bench
