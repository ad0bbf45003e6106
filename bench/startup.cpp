// Start-up: qv6.exe from the moment its process is created to its first idle
// message loop (WaitForInputIdle), on a machine seeded with every autostart
// source and 1,000 Run values, beside the smallest window program started the
// same way in the same run. Runs in the throwaway test prefix and removes
// what it seeds.
#include "base/Files.h"
#include "base/Handles.h"

#include "BenchMachine.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const char kCV[] = "Software\\Microsoft\\Windows\\CurrentVersion\\";
const char kActiveSetup[] = "Software\\Microsoft\\Active Setup\\Installed Components\\QvBenchStart";
const char kVxD[] = "System\\CurrentControlSet\\Services\\VxD\\QvBenchStart";
const char kIcq[] = "Software\\Mirabilis\\ICQ\\Agent\\Apps";
const int kRunValues = 1000, kRounds = 7;

using qv::bench::Now;

void SetString(HKEY root, const std::string& key, const std::string& name,
               const std::string& value) {
    qv::RegKey k;
    if (::RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, k.put(),
                          nullptr) == ERROR_SUCCESS)
        ::RegSetValueExA(k.get(), name.c_str(), 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(value.c_str()),
                         static_cast<DWORD>(value.size() + 1));
}

void DeleteValue(HKEY root, const std::string& key, const std::string& name) {
    qv::RegKey k;
    if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_SET_VALUE, k.put()) == ERROR_SUCCESS)
        ::RegDeleteValueA(k.get(), name.c_str());
}

std::string ReadString(HKEY root, const std::string& key, const char* name) {
    char buf[MAX_PATH * 2] = {};
    DWORD size = sizeof buf - 1;
    qv::RegKey k;
    if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, k.put()) != ERROR_SUCCESS) return {};
    if (::RegQueryValueExA(k.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size) !=
        ERROR_SUCCESS)
        return {};
    return buf;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    qv::UniqueHandle f(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD put = 0;
    if (f) ::WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
}

// Every source of the scanner holds something; all of it goes again when the
// object goes.
class SeededMachine {
  public:
    SeededMachine() {
        for (int i = 0; i < kRunValues; ++i)
            SetString(HKEY_CURRENT_USER, std::string(kCV) + "Run", Name(i),
                      "C:\\Programme\\Werkzeug" + std::to_string(i) + "\\tool.exe /autostart");
        for (const char* key : {"Run", "RunOnce", "RunServices"})
            SetString(HKEY_LOCAL_MACHINE, std::string(kCV) + key, "QvBenchStart", "c:\\m.exe");
        SetString(HKEY_LOCAL_MACHINE, kActiveSetup, "StubPath", "c:\\stub.exe /install");
        SetString(HKEY_LOCAL_MACHINE, kVxD, "StaticVxD", "*vmm");
        SetString(HKEY_CURRENT_USER, kIcq, "QvBenchStart", "c:\\icq.exe");
        startup_ =
            ReadString(HKEY_CURRENT_USER, std::string(kCV) + "Explorer\\Shell Folders", "startup");
        if (!startup_.empty()) {
            qv::ForceDirectories(startup_);
            for (int i = 0; i < 20; ++i)
                Create(startup_ + "\\qvbench" + std::to_string(i) + ".bat",
                       std::string(4096, char('a' + i % 26)));
        }
        char windows[MAX_PATH] = {};
        ::GetWindowsDirectoryA(windows, MAX_PATH);
        winIni_ = std::string(windows) + "\\win.ini";
        ::WritePrivateProfileStringA("windows", "load", "c:\\load.exe", winIni_.c_str());
        ::WritePrivateProfileStringA("windows", "run", "c:\\run.exe", winIni_.c_str());
        Create("c:\\autoexec.bat", "@echo off\r\npath c:\\windows\r\n");
        Create("c:\\config.sys", "files=40\r\n");
        Create("c:\\explorer.exe", std::string(64 * 1024, 'x'));
    }
    ~SeededMachine() {
        for (int i = 0; i < kRunValues; ++i)
            DeleteValue(HKEY_CURRENT_USER, std::string(kCV) + "Run", Name(i));
        for (const char* key : {"Run", "RunOnce", "RunServices"})
            DeleteValue(HKEY_LOCAL_MACHINE, std::string(kCV) + key, "QvBenchStart");
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kActiveSetup);
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kVxD);
        DeleteValue(HKEY_CURRENT_USER, kIcq, "QvBenchStart");
        ::WritePrivateProfileStringA("windows", "load", nullptr, winIni_.c_str());
        ::WritePrivateProfileStringA("windows", "run", nullptr, winIni_.c_str());
        for (const std::string& f : created_)
            ::DeleteFileA(f.c_str());
    }

  private:
    static std::string Name(int i) {
        char b[32];
        std::snprintf(b, sizeof b, "QvBenchStart%04d", i);
        return b;
    }
    void Create(const std::string& path, const std::string& bytes) {
        if (qv::FileExists(path)) return; // never replace what the machine has
        WriteFile(path, bytes);
        created_.push_back(path);
    }
    std::string startup_, winIni_;
    std::vector<std::string> created_;
};

// Seconds from CreateProcess to the program's first idle message loop; the
// program is ended afterwards. Negative when it did not get there.
double TimeToIdle(const std::string& exe, const std::string& dir) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string cmd = "\"" + exe + "\"";
    double t0 = Now();
    if (!::CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(),
                          &si, &pi))
        return -1;
    qv::UniqueHandle process(pi.hProcess), thread(pi.hThread);
    DWORD r = ::WaitForInputIdle(pi.hProcess, 60000);
    double t1 = Now();
    ::TerminateProcess(pi.hProcess, 0);
    ::WaitForSingleObject(pi.hProcess, 10000);
    return r == 0 ? t1 - t0 : -1;
}

} // namespace

int main() {
    const std::string bin = qv::ExecutableDir();
    // The program runs from a folder of its own, with what it finds beside
    // itself when installed, so that its backups and data files land there.
    const std::string dir = qv::MakeTempDirectory("qv6start");
    for (const char* f : {"qv6.exe", "qv6.lng", "default.ico", "procs.dll", "qvguard.exe"})
        ::CopyFileA((bin + f).c_str(), (dir + f).c_str(), FALSE);
    const std::string qv6 = dir + "qv6.exe", minimal = bin + "bench_minwindow.exe";

    double bestQv6 = 1e9, bestMinimal = 1e9;
    {
        SeededMachine machine;
        // One uncounted round of each: the first start of a program warms
        // Wine's caches.
        TimeToIdle(qv6, dir);
        TimeToIdle(minimal, dir);
        for (int round = 0; round < kRounds; ++round) {
            double a = TimeToIdle(qv6, dir), b = TimeToIdle(minimal, dir);
            if (a < 0 || b < 0) {
                std::fprintf(stderr, "a program did not reach its message loop\n");
                return 1;
            }
            bestQv6 = std::min(bestQv6, a);
            bestMinimal = std::min(bestMinimal, b);
        }
    }
    std::string cmd = "cmd /c rmdir /s /q \"" + dir + "\"";
    std::system(cmd.c_str());

    std::printf("start-up to the first idle message loop, %d Run values and every source\n",
                kRunValues);
    std::printf("  qv6.exe:                %8.1f ms\n", bestQv6 * 1e3);
    std::printf("  minimal window program: %8.1f ms\n", bestMinimal * 1e3);
    std::printf("  ratio: %.2f (goal: at most 1.50)\n", bestQv6 / bestMinimal);
    return 0;
}
