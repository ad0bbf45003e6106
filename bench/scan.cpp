// ScanAutostarts on a machine seeded with 10,000 Run values and 1,000 files
// in the user's startup folder, beside a plain loop over the same data in the
// same run. Runs in the throwaway test prefix and removes what it seeds.
#include "model/AppModel.h"
#include "autostart/AutostartEntry.h"
#include "autostart/Scanner.h"
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
    size_t seen = 0;
    {
        ScanMachine machine;
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
        }
        entries = model.ASEntries.size();
    }

    std::printf("Scan of %d Run values and %d startup files (%zu entries found; best of %d)\n",
                kValues, kFiles, entries, kRounds);
    std::printf("  plain loop, names and values only:            %8.1f ms\n", bestNames * 1e3);
    std::printf("  plain loop, plus every file read and CRC-32:  %8.1f ms\n", bestFull * 1e3);
    std::printf("  ScanAutostarts (all ten sources):             %8.1f ms\n", bestScan * 1e3);
    std::printf("  FileCRC32 of every file, measured alone:      %8.1f ms\n", bestCrc * 1e3);
    std::printf("  scan / plain loop with file reads: %.2fx (goal <= 1.5)\n", bestScan / bestFull);
    std::printf("  scan / plain loop without:         %.2fx\n", bestScan / bestNames);
    return seen == 0;
}
