#pragma once
// The main window with each of its pages made and filled, and every dialog
// of the program opened in turn, for tests that look at all windows alike
// (what a screen reader reads, what the keyboard reaches, whether a text
// fits). The windows are walked, not listed, so that a control added to any
// of them is looked at without a change here.
#include "ProcessPageFixture.h"

#include "app/HistoryUnit.h"
#include "autostart/ASEditUnit.h"
#include "autostart/TextfileEditUnit.h"
#include "history/HistoryStore.h"
#include "process/ProcInfoUnit.h"
#include "report/ReportUnit.h"
#include "update/CheckUpdateUnit.h"

#include <functional>
#include <string>

namespace qv::test {

class EveryWindowFixture : public ProcessPageFixture {
  protected:
    // The form is the main window or the dialog that is open; a dialog ends
    // with the result the visit gives it, cancelled when it gave none.
    using Visit = std::function<void(ui::Form& window, const std::string& which)>;

    // The main window on each page (the surveillance list shown, with a
    // ticked and an unticked entry), then each dialog while it is open.
    void ForEachWindow(const Visit& visit) {
        WriteBytes(SurvFile(), "c:\\one.exe\r\nc:\\two.exe\r\n");
        source.AddProcess(0x10, "c:\\tools\\a.exe", "a.exe");
        source.AddProcess(0x20, "c:\\tools\\b.exe", "b.exe");
        TMainForm& f = Open();
        ShowProcessPage();
        Click(f.ProcessesPage().SwitchSurvBtn);
        f.ProcessesPage().ProcList.SetChecked(1, true);
        f.ProcessesPage().ProcSurvList.SetChecked(1, true);
        for (int page : {1, 2, 0}) {
            ClickTab(page);
            visit(f, "TMainForm page " + std::to_string(page));
        }
        auto whileOpen = [&](ui::ModalForm& dialog, const std::string& which) {
            ui::SetModalRunner([&](ui::ModalForm& m) {
                ui::ProcessMessages(&m);
                visit(m, which);
                return m.ModalResult == ui::mrNone ? int(ui::mrCancel) : m.ModalResult;
            });
            dialog.ShowModal();
        };
        TASEditForm edit(model.LanguageTable);
        whileOpen(edit, "TASEditForm");
        TTextfileEditForm editor(model.LanguageTable);
        WriteBytes(dir / "autoexec.bat", "@echo off\r\n");
        editor.EditFileName = dir / "autoexec.bat";
        whileOpen(editor, "TTextfileEditForm");
        TProcInfoForm info(model.LanguageTable);
        info.Row = f.ProcessesPage().ProcessRows().at(0);
        whileOpen(info, "TProcInfoForm");
        TReportForm report(model);
        whileOpen(report, "TReportForm");
        TCheckUpdateForm update(model.LanguageTable, dir.Path(), "http://127.0.0.1:9/");
        whileOpen(update, "TCheckUpdateForm");
        // The kinds with the longest words.
        for (ChangeKind kind : {ChangeKind::KnownAdd, ChangeKind::ProcessEnded})
            RecordChange(dir.Path(),
                         {.kind = kind, .time = {}, .caption = "tool.exe", .touches = {}});
        THistoryForm history(model);
        whileOpen(history, "THistoryForm");
    }
};

} // namespace qv::test
