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
    constexpr int kRounds = 3;
    constexpr int kEntries = bench::ReportMachine::kEntries;
    bench::ReportMachine machine;
    const std::string& dir = machine.Dir();
    const std::vector<AutostartEntry>& entries = machine.Entries();
    const ReportTexts& texts = machine.Texts();
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
