// The report of 10,000 entries of every group, 200 of them boot files of
// 100 lines each, written to report.html, beside a plain write of the same
// bytes to a file in the same folder, in the same run. Prints both times
// and the ratio.
#include "autostart/AutostartEntry.h"
#include "base/Files.h"
#include "base/Handles.h"
#include "report/ReportFile.h"
#include "report/ReportWriter.h"
#include "BenchMachine.h"
#include "ReportMachine.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using namespace qv;

namespace {

using bench::Now;

// CreateFile, WriteFile, CloseHandle: the least any writer of these bytes
// has to do.
void PlainWrite(const std::string& path, const std::string& bytes) {
    UniqueHandle f(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD put = 0;
    ::WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
}

} // namespace

int main() {
    constexpr int kRounds = 5;
    constexpr int kEntries = bench::ReportMachine::kEntries,
                  kBootFiles = bench::ReportMachine::kBootFiles,
                  kLines = bench::ReportMachine::kLines;
    bench::ReportMachine machine;
    const std::string& dir = machine.Dir();
    const std::vector<AutostartEntry>& entries = machine.Entries();
    const ReportTexts& texts = machine.Texts();
    const std::string created = ReportCreationTime();

    const std::string bytes = BuildReportHtml(entries, texts, created, ReadBootFileBytes);
    const std::string plainPath = dir + "plain.html";
    double best = 1e9, plainBest = 1e9, readBest = 1e9, buildBest = 1e9;
    size_t sink = 0;
    // Alternate the measurements so that all meet the file cache in the
    // same state; the best of each counts.
    for (int r = 0; r < kRounds; ++r) {
        double t0 = Now();
        WriteReport(dir, entries, texts, created);
        best = std::min(best, Now() - t0);

        t0 = Now();
        ::DeleteFileA(plainPath.c_str());
        PlainWrite(plainPath, bytes);
        plainBest = std::min(plainBest, Now() - t0);

        // What no report of these entries can avoid besides the write:
        // opening and reading each boot file once.
        t0 = Now();
        for (int i = 0; i < kBootFiles; ++i)
            sink += ReadBootFileBytes(entries[i].FileName.str())->size();
        readBest = std::min(readBest, Now() - t0);

        // The document alone, from boot files already in memory.
        std::vector<std::string> contents;
        for (int i = 0; i < kBootFiles; ++i)
            contents.push_back(*ReadBootFileBytes(entries[i].FileName.str()));
        size_t next = 0;
        t0 = Now();
        sink += BuildReportHtml(entries, texts, created, [&](const std::string&) {
                    return std::optional<std::string>(contents[next++ % contents.size()]);
                }).size();
        buildBest = std::min(buildBest, Now() - t0);
    }
    const bool same = ReadFileBytes(ReportFilePath(dir)) == ReadFileBytes(plainPath);
    std::printf("report of %d entries (%d boot files of %d lines), %.2f MB\n", kEntries, kBootFiles,
                kLines, double(bytes.size()) / (1024.0 * 1024.0));
    std::printf("WriteReport:                      %8.2f ms\n", best * 1000.0);
    std::printf("plain write of the same bytes:    %8.2f ms\n", plainBest * 1000.0);
    std::printf("plain read of the %d boot files: %8.2f ms\n", kBootFiles, readBest * 1000.0);
    std::printf("building the document in memory:  %8.2f ms\n", buildBest * 1000.0);
    std::printf("ratio WriteReport / plain write: %.2f (goal at most 1.5)%s\n", best / plainBest,
                same ? "" : "  BYTES DIFFER");
    std::printf("ratio WriteReport / (plain read of the boot files + plain write): %.2f\n",
                best / (readBest + plainBest));
    if (sink == 0) std::printf("nothing read\n");

    ::DeleteFileA(plainPath.c_str());
    ::RemoveDirectoryA(dir.c_str());
    return 0;
}
