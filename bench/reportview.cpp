// What the report window adds to the report where the browser control cannot
// render: the readable view of 10,000 entries (200 of them boot files of 100
// lines) built and put into the text view, beside writing the report itself
// and beside putting the same text into a multi-line edit control, in the
// same run. Prints the times and the ratios. Needs a display:
//   xvfb-run -a wine bench_reportview.exe
#include "autostart/AutostartEntry.h"
#include "base/Files.h"
#include "base/Handles.h"
#include "base/WinText.h"
#include "report/ReportFile.h"
#include "report/ReportWriter.h"
#include "ui/Form.h"
#include "ui/TextView.h"

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

std::string Name(const char* stem, int i) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s%05d", stem, i);
    return buf;
}

std::vector<AutostartEntry> Entries(const std::string& dir, int count, int bootFiles) {
    std::vector<AutostartEntry> entries;
    for (int i = 0; i < count; ++i) {
        AutostartEntry e = ZeroEntry();
        const int group = i < bootFiles ? 7 : i % 7;
        e.Group = static_cast<uint8_t>(group);
        const std::string name = Name("Programm ", i);
        if (group == 7) {
            e.Kind = KindFile;
            e.FileName.assign(dir + Name("boot", i) + ".bat");
        } else if (group == 5) {
            e.Kind = KindFile;
            e.FileName.assign("C:\\Dokumente und Einstellungen\\Benutzer\\Startmen\xFC\\"
                              "Programme\\Autostart\\" +
                              name + ".lnk");
            e.Caption.assign(name + ".lnk");
            e.Detail.assign("C:\\Programme\\" + name + "\\start.exe");
        } else {
            e.Kind = KindRegistry;
            e.RootKey.assign(kRootLocalMachine);
            e.KeyPath.assign("Software\\Microsoft\\Windows\\CurrentVersion\\Run");
            e.ValueName.assign(name);
            e.ValueData.assign("\"C:\\Programme\\" + name + "\\start.exe\" /minimized /tray");
        }
        e.Active = 1;
        entries.push_back(e);
    }
    return entries;
}

class BenchForm : public ui::Form {
  public:
    BenchForm() {
        CreateFrame(L"QvReportViewBench", "bench", 800, 600, RGB(255, 255, 255), {});
        Add(View, {.name = "View", .width = 780, .height = 560});
        Add(Edit, {.name = "Edit", .width = 780, .height = 560, .style = ES_READONLY});
        ::SendMessageW(Edit.Handle(), EM_SETLIMITTEXT, 0, 0);
    }
    ~BenchForm() override { Destroy(); }
    ui::TextView View;
    ui::Memo Edit;
};

} // namespace

int main() {
    constexpr int kEntries = 10000, kBootFiles = 200, kLines = 100, kRounds = 3;
    const std::string dir = MakeTempDirectory("qv6bench");
    for (int i = 0; i < kBootFiles; ++i) {
        std::string text;
        for (int l = 0; l < kLines; ++l)
            text += "if exist C:\\DOS\\" + Name("tool", l) + ".exe C:\\DOS\\" + Name("tool", l) +
                    ".exe /q > nul\r\n";
        WriteFileAtomic(dir + Name("boot", i) + ".bat", text);
    }
    const std::vector<AutostartEntry> entries = Entries(dir, kEntries, kBootFiles);
    ReportTexts texts;
    for (int g = 0; g < kGroupCount; ++g)
        texts.groupNames[g] = "Gruppe " + std::to_string(g);
    texts.rootKey = "Hauptschl\xFCssel", texts.key = "Schl\xFCssel", texts.name = "Name";
    texts.value = "Inhalt", texts.folder = "Pfad", texts.file = "Datei";
    texts.target = "Ziel / Details", texts.contents = "Inhaltsverzeichnis";
    const std::string created = ReportCreationTime();
    BenchForm form;

    double writeBest = 1e9, viewBest = 1e9, editBest = 1e9;
    size_t textSize = 0;
    for (int r = 0; r < kRounds; ++r) {
        double t0 = Now();
        WriteReport(dir, entries, texts, created);
        writeBest = std::min(writeBest, Now() - t0);

        t0 = Now();
        const std::string text =
            ReportViewText(BuildReportView(entries, texts, created, ReadBootFileBytes));
        form.View.SetText(text);
        viewBest = std::min(viewBest, Now() - t0);
        textSize = text.size();

        // The edit control once is enough to see the difference.
        if (r == 0) {
            t0 = Now();
            form.Edit.SetCaption(text);
            editBest = Now() - t0;
            form.Edit.SetCaption("");
        }
    }
    std::printf("readable view of %d entries (%zu bytes of text)\n", kEntries, textSize);
    std::printf("report written:            %8.1f ms (baseline)\n", writeBest * 1000);
    std::printf("view built and shown:      %8.1f ms, ratio %.2f to the report\n", viewBest * 1000,
                viewBest / writeBest);
    std::printf("same text in an edit:      %8.1f ms, ratio %.2f to the view\n", editBest * 1000,
                editBest / viewBest);
    return 0;
}
