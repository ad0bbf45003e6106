// ScanAutostarts on a machine seeded with 10,000 Run values and 1,000 files
// in the user's startup folder, 300 services and 300 scheduled task files,
// beside a plain loop over the same data in the same run. Runs in the
// throwaway test prefix and removes what it seeds.
#include "model/AppModel.h"
#include "autostart/AutostartEntry.h"
#include "autostart/ScanPlatform.h"
#include "autostart/Scanner.h"
#include "autostart/SystemScan.h"
#include "base/Files.h"
#include "base/Handles.h"
#include "BenchMachine.h"
#include "database/CRC.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using qv::bench::Now;
using qv::bench::ScanMachine;
const char* const kRun = ScanMachine::kRun;
const int kValues = ScanMachine::kValues, kFiles = ScanMachine::kFiles, kRounds = 9;
const int kServices = 300, kTasks = 300;
const char* const kServicesKey = "System\\CurrentControlSet\\Services";

std::string TasksFolder() {
    char dir[MAX_PATH + 1] = {};
    ::GetSystemDirectoryA(dir, MAX_PATH);
    return std::string(dir) + "\\Tasks\\QvBench";
}

// 300 services through the Service Control Manager and 300 task definitions
// (UTF-16, as the scheduler writes them) in a folder of the Tasks folder of
// their own; all removed again.
class SystemMachine {
  public:
    SystemMachine() : scm_(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)) {
        for (int i = 0; i < kServices; ++i) {
            const std::string name = "qvBench" + std::to_string(i);
            const std::string image = "C:\\Program Files\\Bench\\" + name + ".exe -k bench";
            SC_HANDLE s = ::CreateServiceA(scm_, name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
                                           SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                           SERVICE_ERROR_IGNORE, image.c_str(), nullptr, nullptr,
                                           nullptr, nullptr, nullptr);
            if (s) made_.push_back(s);
        }
        ::CreateDirectoryA(TasksFolder().substr(0, TasksFolder().rfind('\\')).c_str(), nullptr);
        ::CreateDirectoryA(TasksFolder().c_str(), nullptr);
        for (int i = 0; i < kTasks; ++i) {
            const std::string xml =
                "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<Task version=\"1.2\" "
                "xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\"><RegistrationInfo>"
                "<Author>Bench</Author><Description>" +
                std::string(600, 'd') +
                "</Description></RegistrationInfo><Triggers><LogonTrigger><Enabled>true</Enabled>"
                "</LogonTrigger></Triggers><Settings><Enabled>true</Enabled></Settings><Actions "
                "Context=\"Author\"><Exec><Command>C:\\Program Files\\Bench\\task" +
                std::to_string(i) +
                ".exe</Command><Arguments>/run</Arguments></Exec></Actions></Task>";
            std::string bytes = "\xFF\xFE";
            for (char c : xml)
                bytes += std::string{c, '\0'};
            qv::WriteFileAtomic(TaskFile(i), bytes);
        }
    }
    ~SystemMachine() {
        for (SC_HANDLE s : made_) {
            ::DeleteService(s);
            ::CloseServiceHandle(s);
        }
        ::CloseServiceHandle(scm_);
        for (int i = 0; i < kTasks; ++i)
            ::DeleteFileA(TaskFile(i).c_str());
        ::RemoveDirectoryA(TasksFolder().c_str());
    }
    static std::string TaskFile(int i) { return TasksFolder() + "\\task" + std::to_string(i); }
    size_t Services() const { return made_.size(); }

  private:
    SC_HANDLE scm_;
    std::vector<SC_HANDLE> made_;
};

// The plain walk of the same sources: every service's key with its values
// and its Parameters key, every task file read whole.
size_t PlainSystemLoop() {
    size_t seen = 0;
    qv::RegKey services;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kServicesKey, 0, KEY_READ, services.put()) ==
        ERROR_SUCCESS) {
        char name[256];
        for (DWORD i = 0;; ++i) {
            DWORD len = sizeof name;
            if (::RegEnumKeyExA(services.get(), i, name, &len, nullptr, nullptr, nullptr,
                                nullptr) != ERROR_SUCCESS)
                break;
            for (const std::string& sub : {std::string(name), std::string(name) + "\\Parameters"}) {
                qv::RegKey key;
                if (::RegOpenKeyExA(services.get(), sub.c_str(), 0, KEY_READ, key.put()) !=
                    ERROR_SUCCESS)
                    continue;
                char value[256];
                BYTE data[4096];
                for (DWORD v = 0;; ++v) {
                    DWORD valueLen = sizeof value, dataLen = sizeof data, type = 0;
                    if (::RegEnumValueA(key.get(), v, value, &valueLen, nullptr, &type, data,
                                        &dataLen) != ERROR_SUCCESS)
                        break;
                    ++seen;
                }
            }
        }
    }
    for (int i = 0; i < kTasks; ++i)
        if (auto bytes = qv::ReadFileBytes(SystemMachine::TaskFile(i))) seen += bytes->size() > 0;
    return seen;
}

const qv::SourceTexts kWords{{"Boot", "System", "Automatisch", "Manuell", "Deaktiviert"},
                             {"Anmeldung", "Systemstart", "Zeitplan", "Andere"}};

size_t SystemScan() {
    auto& platform = qv::WindowsScanPlatform();
    auto& sources = qv::WindowsSystemSources();
    return qv::ScanTaskRows(platform, sources, kWords).size() +
           qv::ScanServiceRows(platform, sources, kWords, false).size() +
           qv::ScanServiceRows(platform, sources, kWords, true).size();
}

// The plain loop: every Run value with its data, every folder entry, and, in
// the fuller variant, every file read whole and run through the CRC table.
size_t PlainLoop(const std::string& folder, bool readFiles) {
    size_t seen = 0;
    qv::RegKey key;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kRun, 0, KEY_READ, key.put()) == ERROR_SUCCESS) {
        char name[16384];
        BYTE data[4096];
        for (DWORD i = 0;; ++i) {
            DWORD nameLen = sizeof name, dataLen = sizeof data, type = 0;
            if (::RegEnumValueA(key.get(), i, name, &nameLen, nullptr, &type, data, &dataLen) !=
                ERROR_SUCCESS)
                break;
            ++seen;
        }
    }
    WIN32_FIND_DATAA fd;
    qv::FindHandle find(::FindFirstFileA((folder + "\\*.*").c_str(), &fd));
    std::vector<char> buf;
    if (find) do {
            ++seen;
            if (!readFiles || (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
            qv::UniqueHandle f(::CreateFileA((folder + "\\" + fd.cFileName).c_str(), GENERIC_READ,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            DWORD size = f ? ::GetFileSize(f.get(), nullptr) : 0, got = 0;
            buf.resize(size);
            if (size && ::ReadFile(f.get(), buf.data(), size, &got, nullptr))
                seen += qv::UpdateCRC32(0xFFFFFFFFu, buf.data(), got) == 0;
        } while (::FindNextFileA(find.get(), &fd));
    return seen;
}

} // namespace

int main() {
    // The benchmark's own model, as a program has one.
    qv::AppModel model;
    qv::ComInit com;
    size_t entries = 0;
    double bestNames = 1e9, bestFull = 1e9, bestScan = 1e9, bestCrc = 1e9;
    double bestSysPlain = 1e9, bestSysScan = 1e9;
    size_t seen = 0, systemRows = 0, services = 0;
    {
        ScanMachine machine;
        SystemMachine system;
        services = system.Services();
        const std::string& folder = machine.Folder();
        // One round first to warm the registry and file caches, not counted.
        seen += PlainLoop(folder, true);
        qv::ScanAutostarts(model, "C:\\EXPLORER.EXE");
        for (int r = 0; r < kRounds; ++r) {
            double t0 = Now();
            seen += PlainLoop(folder, false);
            double t1 = Now();
            seen += PlainLoop(folder, true);
            double t2 = Now();
            qv::ScanAutostarts(model, "C:\\EXPLORER.EXE");
            double t3 = Now();
            bestNames = std::min(bestNames, t1 - t0);
            bestFull = std::min(bestFull, t2 - t1);
            bestScan = std::min(bestScan, t3 - t2);
            for (int i = 0; i < kFiles; ++i)
                seen += qv::FileCRC32(machine.File(i)) == 0;
            bestCrc = std::min(bestCrc, Now() - t3);
            const double t4 = Now();
            seen += PlainSystemLoop();
            const double t5 = Now();
            systemRows = SystemScan();
            bestSysPlain = std::min(bestSysPlain, t5 - t4);
            bestSysScan = std::min(bestSysScan, Now() - t5);
        }
        entries = model.ASEntries.size();
    }

    std::printf("Scan of %d Run values, %d startup files, %zu services and %d task files (%zu "
                "entries found; best of %d)\n",
                kValues, kFiles, services, kTasks, entries, kRounds);
    std::printf("  plain loop, names and values only:            %8.1f ms\n", bestNames * 1e3);
    std::printf("  plain loop, plus every file read and CRC-32:  %8.1f ms\n", bestFull * 1e3);
    std::printf("  plain loop, plus the service keys and task files: %5.1f ms\n",
                (bestFull + bestSysPlain) * 1e3);
    std::printf("  ScanAutostarts (every source):                %8.1f ms\n", bestScan * 1e3);
    std::printf("  FileCRC32 of every file, measured alone:      %8.1f ms\n", bestCrc * 1e3);
    std::printf("  scan / plain loop with file reads: %.2fx (goal <= 1.5)\n",
                bestScan / (bestFull + bestSysPlain));
    std::printf("  tasks, services, drivers alone (%zu rows): %.1f ms against a plain walk of "
                "%.1f ms: %.2fx\n",
                systemRows, bestSysScan * 1e3, bestSysPlain * 1e3, bestSysScan / bestSysPlain);
    std::printf("  scan / plain loop without:         %.2fx\n", bestScan / bestNames);
    return seen == 0;
}
