// The report of 10,000 entries of every group, 200 of them boot files of
// 100 lines each, written to report.html, beside a plain write of the same
// bytes to a file in the same folder, in the same run. Prints both times
// and the ratio.
#include "autostart/AutostartEntry.h"
#include "base/Files.h"
#include "base/Handles.h"
#include "report/ReportFile.h"
#include "report/ReportWriter.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using namespace qv;

namespace {

double Now() {
    LARGE_INTEGER f, c;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&c);
    return double(c.QuadPart) / double(f.QuadPart);
}

// CreateFile, WriteFile, CloseHandle: the least any writer of these bytes
// has to do.
void PlainWrite(const std::string& path, const std::string& bytes) {
    UniqueHandle f(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD put = 0;
    ::WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
}

std::string Name(const char* stem, int i) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s%05d", stem, i);
    return buf;
}

// Entries as a scan finds them: run keys, shell commands, Active Setup,
// VxDs, ICQ apps, startup folders, ini lines, boot files, the explorer.
std::vector<AutostartEntry> Entries(const std::string& dir, int count, int bootFiles) {
    std::vector<AutostartEntry> entries;
    const char* roots[] = {kRootCurrentUser, kRootLocalMachine, kRootClassesRoot};
    for (int i = 0; i < count; ++i) {
        AutostartEntry e = ZeroEntry();
        int group = i < bootFiles ? 7 : (i % 8 == 7 ? 8 : i % 8);
        e.Group = static_cast<uint8_t>(group);
        const std::string name = Name("Programm ", i);
        if (group <= 4) {
            e.Kind = KindRegistry;
            e.RootKey.assign(roots[i % 3]);
            e.KeyPath.assign("Software\\Microsoft\\Windows\\CurrentVersion\\Run");
            e.ValueName.assign(name);
            e.ValueData.assign("\"C:\\Programme\\" + name + "\\start.exe\" /minimized /tray & " +
                               "<autostart>");
        } else if (group == 5) {
            e.Kind = KindFile;
            e.FileName.assign("C:\\Dokumente und Einstellungen\\Benutzer\\Startmen\xFC\\"
                              "Programme\\Autostart\\" +
                              name + ".lnk");
            e.Caption.assign(name + ".lnk");
            e.Detail.assign("C:\\Programme\\" + name + "\\start.exe");
        } else if (group == 6) {
            e.Kind = KindIni;
            e.FileName.assign("C:\\WINDOWS\\win.ini");
            e.RootKey.assign("windows");
            e.ValueName.assign(i % 2 ? "load" : "run");
            e.ValueData.assign("C:\\Programme\\" + name + "\\tray.exe");
        } else if (group == 7) {
            e.Kind = KindFile;
            e.FileName.assign(dir + Name("boot", i) + ".bat");
        } else {
            e.Kind = KindFile;
            e.FileName.assign("c:\\explorer.exe");
            e.Caption.assign("Explorer im Stammverzeichnis von C:");
        }
        e.Active = 1;
        entries.push_back(e);
    }
    return entries;
}

} // namespace

int main() {
    constexpr int kEntries = 10000, kBootFiles = 200, kLines = 100, kRounds = 5;
    const std::string dir = MakeTempDirectory("qv6bench");
    for (int i = 0; i < kBootFiles; ++i) {
        std::string text;
        for (int l = 0; l < kLines; ++l)
            text += "if exist C:\\DOS\\" + Name("tool", l) + ".exe C:\\DOS\\" + Name("tool", l) +
                    ".exe /q > nul\r\n";
        PlainWrite(dir + Name("boot", i) + ".bat", text);
    }
    const std::vector<AutostartEntry> entries = Entries(dir, kEntries, kBootFiles);
    ReportTexts texts;
    for (int g = 0; g < kGroupCount; ++g)
        texts.groupNames[g] = "Gruppe " + std::to_string(g);
    texts.emptyFile = "(Die Datei ist leer.)";
    texts.rootKey = "Hauptschl\xFCssel", texts.key = "Schl\xFCssel", texts.name = "Name";
    texts.value = "Inhalt", texts.folder = "Pfad", texts.file = "Datei";
    texts.target = "Ziel / Details", texts.contents = "Inhaltsverzeichnis";
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

    for (int i = 0; i < kBootFiles; ++i)
        ::DeleteFileA((dir + Name("boot", i) + ".bat").c_str());
    ::DeleteFileA(plainPath.c_str());
    DeleteReport(dir);
    ::RemoveDirectoryA(dir.c_str());
    return 0;
}
