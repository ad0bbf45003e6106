#pragma once
// The report benchmarks' data: 10,000 entries of every group as a scan finds
// them, 200 of them boot files of 100 lines written into a folder of their
// own, and the report's texts. The folder goes with the object.
#include "autostart/AutostartEntry.h"
#include "base/Files.h"
#include "base/Handles.h"
#include "report/ReportFile.h"
#include "report/ReportWriter.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace qv::bench {

class ReportMachine {
  public:
    static constexpr int kEntries = 10000, kBootFiles = 200, kLines = 100;

    ReportMachine() : dir_(MakeTempDirectory("qv6bench")) {
        for (int i = 0; i < kBootFiles; ++i) {
            std::string text;
            for (int l = 0; l < kLines; ++l)
                text += "if exist C:\\DOS\\" + Name("tool", l) + ".exe C:\\DOS\\" +
                        Name("tool", l) + ".exe /q > nul\r\n";
            WriteFileAtomic(BootFile(i), text);
        }
        MakeEntries();
        for (int g = 0; g < kGroupCount; ++g)
            texts_.groupNames[g] = "Gruppe " + std::to_string(g);
        texts_.emptyFile = "(Die Datei ist leer.)";
        texts_.rootKey = "Hauptschl\xFCssel", texts_.key = "Schl\xFCssel", texts_.name = "Name";
        texts_.value = "Inhalt", texts_.folder = "Pfad", texts_.file = "Datei";
        texts_.target = "Ziel / Details", texts_.contents = "Inhaltsverzeichnis";
    }
    ~ReportMachine() {
        for (int i = 0; i < kBootFiles; ++i)
            ::DeleteFileA(BootFile(i).c_str());
        DeleteReport(dir_);
        ::RemoveDirectoryA(dir_.c_str());
    }
    ReportMachine(const ReportMachine&) = delete;
    ReportMachine& operator=(const ReportMachine&) = delete;

    // The folder with a trailing backslash; the report is written into it.
    const std::string& Dir() const { return dir_; }
    const std::vector<AutostartEntry>& Entries() const { return entries_; }
    const ReportTexts& Texts() const { return texts_; }

  private:
    static std::string Name(const char* stem, int i) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%s%05d", stem, i);
        return buf;
    }
    std::string BootFile(int i) const { return dir_ + Name("boot", i) + ".bat"; }

    // Run keys, shell commands, Active Setup, VxDs, ICQ apps, startup
    // folders, ini lines, boot files, the explorer.
    void MakeEntries() {
        const char* roots[] = {kRootCurrentUser, kRootLocalMachine, kRootClassesRoot};
        for (int i = 0; i < kEntries; ++i) {
            AutostartEntry e = ZeroEntry();
            const auto group = i < kBootFiles ? AutostartGroup::BootFiles
                                              : (i % 8 == 7 ? AutostartGroup::RootExplorer
                                                            : static_cast<AutostartGroup>(i % 8));
            e.Group = GroupByte(group);
            const std::string name = Name("Programm ", i);
            if (e.Group <= GroupByte(AutostartGroup::IcqAgent)) {
                e.Kind = KindRegistry;
                e.RootKey.assign(roots[i % 3]);
                e.KeyPath.assign("Software\\Microsoft\\Windows\\CurrentVersion\\Run");
                e.ValueName.assign(name);
                e.ValueData.assign("\"C:\\Programme\\" + name +
                                   "\\start.exe\" /minimized /tray & <autostart>");
            } else if (group == AutostartGroup::StartupFolders) {
                e.Kind = KindFile;
                e.FileName.assign("C:\\Dokumente und Einstellungen\\Benutzer\\Startmen\xFC\\"
                                  "Programme\\Autostart\\" +
                                  name + ".lnk");
                e.Caption.assign(name + ".lnk");
                e.Detail.assign("C:\\Programme\\" + name + "\\start.exe");
            } else if (group == AutostartGroup::IniLines) {
                e.Kind = KindIni;
                e.FileName.assign("C:\\WINDOWS\\win.ini");
                e.RootKey.assign("windows");
                e.ValueName.assign(i % 2 ? "load" : "run");
                e.ValueData.assign("C:\\Programme\\" + name + "\\tray.exe");
            } else if (group == AutostartGroup::BootFiles) {
                e.Kind = KindFile;
                e.FileName.assign(BootFile(i));
            } else {
                e.Kind = KindFile;
                e.FileName.assign("c:\\explorer.exe");
                e.Caption.assign("Explorer im Stammverzeichnis von C:");
            }
            e.Active = 1;
            entries_.push_back(e);
        }
    }

    std::string dir_;
    std::vector<AutostartEntry> entries_;
    ReportTexts texts_;
};

} // namespace qv::bench
