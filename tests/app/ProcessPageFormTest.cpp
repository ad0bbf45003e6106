// The process page of the real main window: filling it from real and
// scripted processes, ending ticked processes with its questions, the
// information dialog, and what odd processes do to it.
#include "ProcessPageFixture.h"

#include "base/Text.h"
#include "history/HistoryStore.h"
#include "process/ProcHelper.h"
#include "process/ProcInfoUnit.h"
#include "process/ProcessPage.h"
#include "base/WinText.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using test::HelperProcess;

class ProcessPageForm : public test::ProcessPageFixture {};

TEST_F(ProcessPageForm, AHelperShowsAsItsUpperCasePathWithItsIcon) {
    HelperProcess helper;
    ASSERT_TRUE(helper.Started());
    TMainForm& f = Open(true);
    EXPECT_EQ(f.ProcessesPage().ProcList.Count(), 0) << "filled only when the page is shown";
    ShowProcessPage();
    int row = RowOf(UpperAscii(helper.Path()));
    ASSERT_GE(row, 0);
    EXPECT_EQ(f.ProcessesPage().ProcessRows()[size_t(row)].processId, helper.Id());
    EXPECT_GE(f.ProcessesPage().ProcList.ItemImage(row), 0);
    EXPECT_LT(f.ProcessesPage().ProcList.ItemImage(row), f.ProcessesPage().IconList.Count());
    EXPECT_EQ(f.ProcessesPage().ProcBox.Caption(),
              Line(Lng::ProcBoxCaption, size_t(f.ProcessesPage().ProcList.Count())));
    EXPECT_EQ(f.ProcessesPage().ProcList.ColumnCount(), 1);
    EXPECT_EQ(f.ProcessesPage().ProcList.ColumnWidth(0),
              f.ProcessesPage().ProcBox.ClientWidth() - 20);
    EXPECT_TRUE(TickedRows().empty());
}

TEST_F(ProcessPageForm, TickingTheHelperAndConfirmingEndsItAndNothingElse) {
    HelperProcess one, two;
    ASSERT_TRUE(one.Started() && two.Started());
    TMainForm& f = Open(true);
    ShowProcessPage();
    int row = -1;
    for (size_t r = 0; r < f.ProcessesPage().ProcessRows().size(); ++r)
        if (f.ProcessesPage().ProcessRows()[r].processId == one.Id()) row = int(r);
    ASSERT_GE(row, 0);
    const DWORD priority = ::GetPriorityClass(::GetCurrentProcess());

    f.ProcessesPage().ProcList.SetChecked(row, true);
    dialogs.QueueAnswer(MsgResult::Ok);
    Click(f.ProcessesPage().ProcKillBtn);

    ASSERT_TRUE(one.WaitForEnd());
    EXPECT_TRUE(two.Running());
    ASSERT_EQ(dialogs.Messages().size(), 1u) << "no second question, no failure message";
    const MessageRequest& q = dialogs.Messages()[0];
    EXPECT_EQ(q.text, Line(Lng::KillQuestion));
    EXPECT_EQ(q.caption, "Best\xE4tigung");
    EXPECT_EQ(q.kind, MsgKind::Question);
    EXPECT_EQ(q.buttons, unsigned(BtnOk | BtnCancel));
    // The status line said what goes on during the wait, and nothing after.
    EXPECT_EQ(sleeps, std::vector<uint32_t>{1000});
    EXPECT_EQ(statusWhileAsleep, std::vector<std::string>{Line(Lng::KillStatus)});
    EXPECT_EQ(f.StatusLbl.Caption(), "");
    EXPECT_EQ(::GetPriorityClass(::GetCurrentProcess()), priority);
    // Refilled: the ended helper is gone, the other one is there, unticked.
    bool sawTwo = false;
    for (const ProcessRow& r : f.ProcessesPage().ProcessRows()) {
        EXPECT_NE(r.processId, one.Id());
        sawTwo |= r.processId == two.Id();
    }
    EXPECT_TRUE(sawTwo);
    EXPECT_TRUE(TickedRows().empty());
}

TEST_F(ProcessPageForm, AReusedIdIsRefusedAndListedInTheFailureMessage) {
    source.AddProcess(0x1A4, "c:\\tools\\a.exe", "a.exe");
    source.AddProcess(0x1B0, "c:\\tools\\b.exe", "b.exe");
    control.Add(0x1A4, 100);
    control.Add(0x1B0, 200);
    TMainForm& f = Open();
    ShowProcessPage();
    ASSERT_EQ(f.ProcessesPage().ProcList.Count(), 2);
    EXPECT_EQ(f.ProcessesPage().ProcList.ItemText(0, 0), "C:\\TOOLS\\A.EXE");
    // A ended and its id went to a new process after the fill.
    control.processes[0x1A4].created = 999;
    f.ProcessesPage().ProcList.SetChecked(0, true);
    f.ProcessesPage().ProcList.SetChecked(1, true);
    control.log.clear();
    dialogs.QueueAnswer(MsgResult::Ok);
    Click(f.ProcessesPage().ProcKillBtn);

    EXPECT_FALSE(control.processes[0x1A4].ended);
    EXPECT_TRUE(control.processes[0x1B0].ended);
    for (const std::string& entry : control.log)
        EXPECT_EQ(entry.find("terminate kill 420 "), std::string::npos) << entry;
    ASSERT_EQ(dialogs.Messages().size(), 2u);
    const MessageRequest& m = dialogs.Messages()[1];
    EXPECT_EQ(m.text, Line(Lng::KillFailedHeader) + "\r\"C:\\TOOLS\\A.EXE [PID:000001A4]\"");
    EXPECT_EQ(m.kind, MsgKind::Plain);
    // Only the process that ended is in the history, which cannot undo it.
    const HistoryLoad h = LoadHistory(dir.Path());
    ASSERT_EQ(h.history.records.size(), 1u);
    EXPECT_EQ(h.history.records[0].kind, ChangeKind::ProcessEnded);
    ASSERT_EQ(h.history.records[0].touches.size(), 1u);
    EXPECT_EQ(h.history.records[0].touches[0].name, "432");
    EXPECT_FALSE(CanUndo(h.history.records[0]));
    EXPECT_EQ(m.caption, "");
    EXPECT_EQ(m.buttons, unsigned(BtnOk));
    // Raised, restored, waited, and only then refilled and reported.
    auto at = [&](const std::string& e) {
        return std::find(control.log.begin(), control.log.end(), e) - control.log.begin();
    };
    EXPECT_LT(at("priority 256"), at("priority 32"));
    EXPECT_LT(at("priority 32"), at("sleep 1000"));
    ASSERT_LT(at("sleep 1000"), static_cast<ptrdiff_t>(control.log.size()) - 1);
    EXPECT_EQ(control.log[size_t(at("sleep 1000")) + 1].rfind("open query", 0), 0u)
        << "the refill comes after the wait";
    EXPECT_EQ(source.idListCalls, 2);
    EXPECT_EQ(f.StatusLbl.Caption(), "");
}

TEST_F(ProcessPageForm, ACriticalRowAsksOnceMoreAndCancelStopsEverything) {
    source.AddProcess(0x300, "C:\\WINDOWS\\SYSTEM32\\LSASS.EXE", "lsass.exe");
    source.AddProcess(0x310, "c:\\tools\\lsass.exe", "lsass.exe");
    source.AddProcess(0x320, "c:\\tools\\other.exe", "other.exe");
    control.Add(0x300, 1);
    control.Add(0x310, 2);
    control.Add(0x320, 3);
    TMainForm& f = Open();
    ShowProcessPage();
    // The same name elsewhere is anyone's program: the one question only.
    f.ProcessesPage().ProcList.SetChecked(RowOf("C:\\TOOLS\\LSASS.EXE"), true);
    dialogs.QueueAnswer(MsgResult::Ok);
    Click(f.ProcessesPage().ProcKillBtn);
    ASSERT_EQ(dialogs.Messages().size(), 1u);
    EXPECT_TRUE(control.processes[0x310].ended);

    f.ProcessesPage().ProcList.SetChecked(RowOf("C:\\WINDOWS\\SYSTEM32\\LSASS.EXE"), true);
    f.ProcessesPage().ProcList.SetChecked(RowOf("C:\\TOOLS\\OTHER.EXE"), true);
    dialogs.Clear();
    control.log.clear();
    sleeps.clear();
    const int fills = source.idListCalls;
    dialogs.QueueAnswer(MsgResult::Ok);
    dialogs.QueueAnswer(MsgResult::Cancel);
    Click(f.ProcessesPage().ProcKillBtn);
    ASSERT_EQ(dialogs.Messages().size(), 2u);
    const MessageRequest& second = dialogs.Messages()[1];
    EXPECT_EQ(second.text, Line(Lng::KillCriticalQuestion));
    EXPECT_EQ(second.buttons, unsigned(BtnOk | BtnCancel));
    EXPECT_EQ(second.defaultButton, BtnCancel);
    for (const std::string& entry : control.log) {
        EXPECT_EQ(entry.find("terminate"), std::string::npos) << entry;
        EXPECT_EQ(entry.find("priority"), std::string::npos) << entry;
    }
    EXPECT_TRUE(sleeps.empty());
    EXPECT_EQ(source.idListCalls, fills) << "not refilled";
    EXPECT_EQ(TickedRows().size(), 2u);
    EXPECT_EQ(f.StatusLbl.Caption(), "");

    // OK twice: both end.
    dialogs.QueueAnswer(MsgResult::Ok);
    dialogs.QueueAnswer(MsgResult::Ok);
    Click(f.ProcessesPage().ProcKillBtn);
    EXPECT_TRUE(control.processes[0x300].ended);
    EXPECT_TRUE(control.processes[0x320].ended);
}

TEST_F(ProcessPageForm, AnEmptyPageDoesNothingAndCancelChangesNothing) {
    TMainForm& f = Open();
    ShowProcessPage();
    EXPECT_EQ(f.ProcessesPage().ProcList.Count(), 0);
    EXPECT_EQ(f.ProcessesPage().ProcBox.Caption(), Line(Lng::ProcBoxCaption, 0));
    Click(f.ProcessesPage().ProcKillBtn);
    EXPECT_TRUE(dialogs.Messages().empty()) << "not even the question";
    Click(f.ProcessesPage().ProcInfoBtn);

    source.AddProcess(0x10, "c:\\a.exe", "a.exe");
    control.Add(0x10, 5);
    Click(f.ProcessesPage().ProcRefreshBtn);
    ASSERT_EQ(f.ProcessesPage().ProcList.Count(), 1);
    f.ProcessesPage().ProcList.SetChecked(0, true);
    const int fills = source.idListCalls;
    control.log.clear();
    Click(f.ProcessesPage().ProcKillBtn); // no answer queued: Cancel
    EXPECT_EQ(dialogs.Messages().size(), 1u);
    EXPECT_FALSE(control.processes[0x10].ended);
    EXPECT_TRUE(control.log.empty());
    EXPECT_TRUE(sleeps.empty());
    EXPECT_EQ(source.idListCalls, fills);
    EXPECT_EQ(TickedRows(), std::vector<int>{0});
}

TEST_F(ProcessPageForm, NothingTickedStillRaisesWaitsAndRefills) {
    source.AddProcess(0x10, "c:\\a.exe", "a.exe");
    control.Add(0x10, 5);
    TMainForm& f = Open();
    ShowProcessPage();
    control.log.clear();
    dialogs.QueueAnswer(MsgResult::Ok);
    Click(f.ProcessesPage().ProcKillBtn);
    EXPECT_EQ(control.log, (std::vector<std::string>{"priority 256", "priority 32", "sleep 1000",
                                                     "open query 16 #2", "time query 16 #2"}));
    EXPECT_EQ(source.idListCalls, 2);
    EXPECT_EQ(dialogs.Messages().size(), 1u);
    EXPECT_FALSE(control.processes[0x10].ended);
}

TEST_F(ProcessPageForm, ASwitchOfPagesKeepsTheTicksAndRefreshClearsThem) {
    source.AddProcess(0x10, "c:\\a.exe", "a.exe");
    source.AddProcess(0x20, "c:\\b.exe", "b.exe");
    TMainForm& f = Open();
    ShowProcessPage();
    EXPECT_EQ(f.ProcessesPage().ProcRefreshBtn.Tag, 999);
    f.ProcessesPage().ProcList.SetChecked(1, true);
    ClickTab(0);
    ClickTab(2);
    ClickTab(1);
    EXPECT_EQ(source.idListCalls, 1);
    EXPECT_EQ(TickedRows(), std::vector<int>{1});
    Click(f.ProcessesPage().ProcRefreshBtn);
    EXPECT_EQ(source.idListCalls, 2);
    EXPECT_TRUE(TickedRows().empty());
    EXPECT_EQ(f.ProcessesPage().ProcList.Count(), 2);
}

TEST_F(ProcessPageForm, TheProcessPageTakesItsLanguageLines) {
    TMainForm& f = Open(false, nullptr, test::NumberedLanguageFile());
    auto line = [](int n) { return "Zeile " + std::to_string(n); };
    struct Expect {
        ui::Control* c;
        int caption, hint;
    };
    for (const Expect& e : {Expect{&f.ProcessesPage().ProcRefreshBtn, 105, 106},
                            Expect{&f.ProcessesPage().ProcKillBtn, 107, 108},
                            Expect{&f.ProcessesPage().ProcInfoBtn, 109, 110},
                            Expect{&f.ProcessesPage().SwitchSurvBtn, 111, 112},
                            Expect{&f.ProcessesPage().AddSurvBtn, 113, 114},
                            Expect{&f.ProcessesPage().FinishSurvBtn, 115, 116},
                            Expect{&f.ProcessesPage().SurvSelectAllChk, 117, 118}}) {
        EXPECT_EQ(e.c->Caption(), line(e.caption)) << e.c->Name();
        EXPECT_EQ(e.c->Hint(), line(e.hint)) << e.c->Name();
    }
    EXPECT_EQ(f.ProcessesPage().ProcSurvBox.Caption(), line(104));
    ShowProcessPage();
    EXPECT_EQ(f.ProcessesPage().ProcBox.Caption(), line(21));
    EXPECT_EQ(f.ProcessesPage().ProcSurvBox.Caption(), line(22));
}

// ---- Information dialog -------------------------------------------------------

using Rows = std::vector<std::pair<std::string, std::string>>;

Rows RowsOf(const ui::ListView& list) {
    Rows rows;
    for (int r = 0; r < list.Count(); ++r)
        rows.emplace_back(list.ItemText(r, 0), list.ItemText(r, 1));
    return rows;
}

bool Has(const Rows& rows, const std::string& caption, const std::string& value) {
    return std::find(rows.begin(), rows.end(), std::pair{caption, value}) != rows.end();
}

TEST_F(ProcessPageForm, TheInfoDialogShowsTheHelpersVersionResourceAndItsFigures) {
    HelperProcess helper;
    ASSERT_TRUE(helper.Started());
    TMainForm& f = Open(true);
    ShowProcessPage();
    int row = RowOf(UpperAscii(helper.Path()));
    ASSERT_GE(row, 0);
    f.ProcessesPage().ProcList.Select(row);

    Rows file, proc;
    std::string caption, fileBox, procBox, close, closeHint;
    RECT client{};
    int opened = 0;
    ui::SetModalRunner([&](ui::ModalForm& m) {
        auto& d = dynamic_cast<TProcInfoForm&>(m);
        ++opened;
        file = RowsOf(d.FileList);
        proc = RowsOf(d.ProcList);
        wchar_t buf[128] = {};
        ::GetWindowTextW(d.Handle(), buf, 128);
        caption = FromWide(buf);
        fileBox = d.PropFileBox.Caption();
        procBox = d.PropProcBox.Caption();
        close = d.CloseBtn.Caption();
        closeHint = d.CloseBtn.Hint();
        ::GetClientRect(d.Handle(), &client);
        // As designed, or as wide as the widest caption needs.
        EXPECT_GE(d.FileList.ColumnWidth(0), 140);
        EXPECT_GE(d.ProcList.ColumnWidth(0), 145);
        EXPECT_EQ(d.PropFileBox.Width(), 301);
        EXPECT_EQ(d.PropProcBox.Left() - d.PropFileBox.Left(), 308);
        d.CloseBtn.Click();
        return d.ModalResult;
    });
    Click(f.ProcessesPage().ProcInfoBtn);
    ASSERT_EQ(opened, 1);
    EXPECT_EQ(caption, Line(Lng::InfoWindowCaption));
    EXPECT_EQ(fileBox, Line(Lng::InfoFileBoxCaption));
    EXPECT_EQ(procBox, Line(Lng::InfoProcBoxCaption));
    EXPECT_EQ(close, Line(Lng::InfoCloseCaption));
    EXPECT_EQ(closeHint, Line(Lng::InfoCloseCaption));
    // 609 x 373 inside a border of 3.
    EXPECT_EQ(client.right, 615);
    EXPECT_EQ(client.bottom, 379);

    ASSERT_GE(file.size(), 4u);
    EXPECT_EQ(file[0], (std::pair{Line(Lng::InfoDirectory), UpperAscii(ExecutableDir())}));
    EXPECT_EQ(file[1], (std::pair{Line(Lng::InfoFileName), std::string("PROCHELPER.EXE")}));
    EXPECT_TRUE(Has(file, "InternalName:", "prochelper"));
    EXPECT_TRUE(Has(file, "CompanyName:", "Quorvik Testwerkstatt"));
    EXPECT_TRUE(Has(file, "FileDescription:",
                    "Prozess-Testhelfer f\xFC"
                    "r Quorvik 6"));
    EXPECT_TRUE(Has(file, "FileVersion:", "1.2.3.4"));
    EXPECT_FALSE(Has(file, "", Line(Lng::InfoNoVersion)));
    // After the date: the helper is built unsigned, and no catalog of the
    // prefix lists it.
    ASSERT_GE(file.size(), 5u);
    EXPECT_EQ(file[4], (std::pair{Line(Lng::InfoSignatureRow), Line(Lng::SignatureNotSigned)}));
    ASSERT_EQ(proc.size(), 6u);
    EXPECT_EQ(proc[1], (std::pair{Line(Lng::InfoProcessId), FormatHex8(helper.Id())}));
    EXPECT_EQ(proc[2].first, Line(Lng::InfoParentId));
    EXPECT_EQ(proc[2].second, FormatHex8(::GetCurrentProcessId()));
}

TEST_F(ProcessPageForm, TheInfoButtonNeedsASelectionAndAVanishedFileShowsNothing) {
    test::TempDir files;
    const std::string exe = files / "gone.exe";
    test::WriteBytes(exe, "MZ");
    source.AddProcess(0x44, exe, "gone.exe");
    TMainForm& f = Open();
    ShowProcessPage();
    int opened = 0, fileRows = -1, procRows = -1;
    ui::SetModalRunner([&](ui::ModalForm& m) {
        auto& d = dynamic_cast<TProcInfoForm&>(m);
        ++opened;
        fileRows = d.FileList.Count();
        procRows = d.ProcList.Count();
        return int(ui::mrCancel);
    });
    Click(f.ProcessesPage().ProcInfoBtn);
    EXPECT_EQ(opened, 0) << "no row selected";

    f.ProcessesPage().ProcList.Select(0);
    ASSERT_TRUE(::DeleteFileA(exe.c_str()));
    Click(f.ProcessesPage().ProcInfoBtn);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(fileRows, 0);
    EXPECT_EQ(procRows, 0);
}

// ---- Odd processes ---------------------------------------------------------------

TEST_F(ProcessPageForm, SixHundredProcessesEmptyAndOverlongNamesFillWithoutFault) {
    source.AddProcess(7, "", "");
    source.AddProcess(8, std::string(260, 'x'), "long.exe");
    for (uint32_t i = 0; i < 598; ++i) {
        source.AddProcess(100 + i, "c:\\p\\" + std::to_string(i % 40) + ".exe", "p.exe");
        control.Add(100 + i, i);
    }
    TMainForm& f = Open();
    ShowProcessPage();
    ASSERT_EQ(f.ProcessesPage().ProcList.Count(), 500);
    EXPECT_EQ(f.ProcessesPage().ProcBox.Caption(), Line(Lng::ProcBoxCaption, 500));
    EXPECT_EQ(f.ProcessesPage().ProcList.ItemText(0, 0), "") << "the empty name sorts first";
    EXPECT_LE(f.ProcessesPage().IconList.Count(), 42);
    bool sawLong = false;
    for (int r = 0; r < f.ProcessesPage().ProcList.Count(); ++r)
        if (f.ProcessesPage().ProcList.ItemText(r, 0).substr(0, 10) == "XXXXXXXXXX") {
            sawLong = true;
            EXPECT_EQ(f.ProcessesPage().ProcList.ItemText(r, 0).size(), 259u);
            f.ProcessesPage().ProcList.SetChecked(r, true);
        }
    EXPECT_TRUE(sawLong);

    // The empty name opens an empty dialog; the unverifiable rows cannot be
    // ended and are listed.
    f.ProcessesPage().ProcList.Select(0);
    f.ProcessesPage().ProcList.SetChecked(0, true);
    int fileRows = -1;
    ui::SetModalRunner([&](ui::ModalForm& m) {
        fileRows = dynamic_cast<TProcInfoForm&>(m).FileList.Count();
        return int(ui::mrCancel);
    });
    Click(f.ProcessesPage().ProcInfoBtn);
    EXPECT_EQ(fileRows, 0);
    dialogs.QueueAnswer(MsgResult::Ok);
    Click(f.ProcessesPage().ProcKillBtn);
    ASSERT_EQ(dialogs.Messages().size(), 2u);
    EXPECT_EQ(
        dialogs.Messages()[1].text.find(Line(Lng::KillFailedHeader) + "\r\" [PID:00000007]\"\r\""),
        0u)
        << dialogs.Messages()[1].text;
    EXPECT_EQ(f.ProcessesPage().ProcList.Count(), 500);
}

} // namespace
} // namespace qv
