// qv6scan's work (scan, known-entries lookup, SHA-256 of every file,
// Task Manager's switches, JSON and CSV written to the NUL device) on the
// machine of bench_scan, 10,000 Run values and 1,000 startup files, beside
// ScanAutostarts alone in the same run. Runs in the throwaway test prefix and
// removes what it seeds.
#include "model/AppModel.h"
#include "autostart/AutostartEntry.h"
#include "autostart/Scanner.h"
#include "base/Files.h"
#include "base/Handles.h"
#include "BenchMachine.h"
#include "database/CRC.h"
#include "database/FileDigest.h"
#include "database/KnownEntries.h"
#include "scan/ScanJob.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using qv::bench::Now;
using qv::bench::ScanMachine;
const int kValues = ScanMachine::kValues, kFiles = ScanMachine::kFiles, kRounds = 9;

} // namespace

int main() {
    // The benchmark's own model, as a program has one.
    qv::AppModel model;
    qv::ComInit com;
    ScanMachine machine;
    // qv6scan's folder: the language file and a database that knows every
    // other entry; no deactivated entries in the working directory.
    const std::string appDir = qv::MakeTempDirectory("qv6benchapp");
    ::CopyFileA((qv::ExecutableDir() + "qv6.lng").c_str(), (appDir + "qv6.lng").c_str(), FALSE);
    qv::ScanAutostarts(model, "C:\\EXPLORER.EXE");
    {
        std::vector<qv::AutostartEntry> half;
        for (size_t i = 0; i < model.ASEntries.size(); i += 2)
            half.push_back(model.ASEntries[i]);
        qv::WriteFileAtomic(appDir + "asedb.dat", qv::EncodeRecords(half));
    }
    char oldCwd[MAX_PATH + 1] = {};
    ::GetCurrentDirectoryA(MAX_PATH, oldCwd);
    ::SetCurrentDirectoryA(appDir.c_str());

    qv::UniqueHandle nul(::CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, 0, nullptr));
    size_t written = 0;
    qv::ScanJobIo io;
    io.write = [&](std::string_view bytes) {
        DWORD put = 0;
        written += bytes.size();
        return ::WriteFile(nul.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &put,
                           nullptr) != 0;
    };
    io.warn = [](std::string_view) {};
    // Where the time of the JSON listing goes: the best time of each stage.
    std::vector<std::pair<std::string, double>> stages;
    double stageStart = 0;
    bool timeStages = false;
    io.stageDone = [&](std::string_view name) {
        if (!timeStages) return;
        double now = Now();
        auto it = std::find_if(stages.begin(), stages.end(),
                               [&](const auto& s) { return s.first == name; });
        if (it == stages.end())
            stages.emplace_back(std::string(name), now - stageStart);
        else
            it->second = std::min(it->second, now - stageStart);
        stageStart = now;
    };
    auto utf8 = qv::SystemUtf8Converter();
    qv::ScanOptions json, csv;
    json.format = qv::OutputFormat::Json;

    double bestScan = 1e9, bestJson = 1e9, bestCsv = 1e9, bestDigests = 1e9, bestCrc = 1e9;
    size_t jsonBytes = 0, entries = 0, seen = 0;
    // One round first to warm the registry and file caches, not counted.
    qv::ScanAutostarts(model, "C:\\EXPLORER.EXE");
    qv::RunScanJob(json, appDir, *utf8, io);
    for (int r = 0; r < kRounds; ++r) {
        double t0 = Now();
        qv::ScanAutostarts(model, "C:\\EXPLORER.EXE");
        double t1 = Now();
        entries = model.ASEntries.size();
        written = 0;
        timeStages = true;
        stageStart = t1;
        qv::RunScanJob(json, appDir, *utf8, io);
        timeStages = false;
        double t2 = Now();
        jsonBytes = written;
        qv::RunScanJob(csv, appDir, *utf8, io);
        double t3 = Now();
        for (int i = 0; i < kFiles; ++i)
            seen += qv::ReadFileDigests(machine.File(i)).crc32 == 0;
        double t4 = Now();
        for (int i = 0; i < kFiles; ++i)
            seen += qv::FileCRC32(machine.File(i)) == 0;
        double t5 = Now();
        bestScan = std::min(bestScan, t1 - t0);
        bestJson = std::min(bestJson, t2 - t1);
        bestCsv = std::min(bestCsv, t3 - t2);
        bestDigests = std::min(bestDigests, t4 - t3);
        bestCrc = std::min(bestCrc, t5 - t4);
    }

    // Clean up what was seeded.
    ::SetCurrentDirectoryA(oldCwd);
    ::DeleteFileA((appDir + "qv6.lng").c_str());
    ::DeleteFileA((appDir + "asedb.dat").c_str());
    ::RemoveDirectoryA(appDir.c_str());

    std::printf("qv6scan on %d Run values and %d startup files (%zu entries, %zu JSON bytes; "
                "best of %d)\n",
                kValues, kFiles, entries, jsonBytes, kRounds);
    std::printf("  ScanAutostarts alone (the baseline):           %8.1f ms\n", bestScan * 1e3);
    std::printf("  qv6scan --format json, SHA-256 included:       %8.1f ms\n", bestJson * 1e3);
    std::printf("  qv6scan (CSV), SHA-256 included:               %8.1f ms\n", bestCsv * 1e3);
    std::printf("  CRC-32 and SHA-256 of every file, alone:       %8.1f ms\n", bestDigests * 1e3);
    std::printf("  CRC-32 of every file, alone:                   %8.1f ms\n", bestCrc * 1e3);
    std::printf("  where the JSON listing's time goes (best of each stage):\n");
    for (const auto& [name, t] : stages)
        std::printf("    %-8s %8.1f ms\n", name.c_str(), t * 1e3);
    std::printf("  json / ScanAutostarts: %.2fx (goal <= 1.2)\n", bestJson / bestScan);
    std::printf("  csv  / ScanAutostarts: %.2fx (goal <= 1.2)\n", bestCsv / bestScan);
    return seen == size_t(-1);
}
