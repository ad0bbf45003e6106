// The surveillance list and the guard button of the real main window: the
// switch, drops from the process list (through the drop path and through
// synthesized mouse messages), the add dialog, removing, selecting all, the
// splitter, procsurv.dat, and the guard with its label and timer, scripted
// and the real qvguard.exe.
#include "ProcessPageFixture.h"

#include "base/Text.h"
#include "base/WinText.h"
#include "process/GuardInterface.h"
#include "process/Surveillance.h"

#include <gtest/gtest.h>

#include <functional>

namespace qv {
namespace {

using Lines = std::vector<std::string>;

class SurveillanceForm : public test::ProcessPageFixture {
  protected:
    // The page with two processes, one named by the snapshot only (so in
    // its own case), and the surveillance box shown.
    TMainForm& OpenPage(const std::string& fileBytes = {}) {
        if (!fileBytes.empty()) test::WriteBytes(SurvFile(), fileBytes);
        source.AddProcess(0x10, "", "mixed.exe");
        source.AddProcess(0x20, "c:\\tools\\a.exe", "a.exe");
        TMainForm& f = Open();
        ShowProcessPage();
        Click(f.ProcessesPage().SwitchSurvBtn);
        return f;
    }
    // The rows as another program reads them from the list box's window.
    Lines Shown() const {
        Lines items;
        HWND list = form->ProcessesPage().ProcSurvList.Handle();
        const int count = static_cast<int>(::SendMessageW(list, LB_GETCOUNT, 0, 0));
        EXPECT_EQ(count, form->ProcessesPage().ProcSurvList.Count());
        for (int i = 0; i < count; ++i) {
            std::wstring text(size_t(::SendMessageW(list, LB_GETTEXTLEN, i, 0)), L'\0');
            ::SendMessageW(list, LB_GETTEXT, i, (LPARAM)text.data());
            items.push_back(FromWide(text));
            EXPECT_EQ(items.back(), form->ProcessesPage().ProcSurvList.Item(i)) << i;
        }
        return items;
    }
    std::vector<int> TickedEntries() const {
        std::vector<int> rows;
        for (int i = 0; i < form->ProcessesPage().ProcSurvList.Count(); ++i) {
            EXPECT_EQ(form->ProcessesPage().ProcSurvList.Checked(i),
                      form->ProcessesPage().Surveillance().Ticked(size_t(i)))
                << i;
            if (form->ProcessesPage().ProcSurvList.Checked(i)) rows.push_back(i);
        }
        return rows;
    }
    // A click on the box in front of an entry.
    void ClickBox(int row) {
        RECT r = form->ProcessesPage().ProcSurvList.ItemRect(row);
        LPARAM at = MAKELPARAM(r.left + 6, (r.top + r.bottom) / 2);
        ::PostMessageW(form->ProcessesPage().ProcSurvList.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::PostMessageW(form->ProcessesPage().ProcSurvList.Handle(), WM_LBUTTONUP, 0, at);
        Pump();
    }
    bool Drop() {
        return form->DropOn(form->ProcessesPage().ProcSurvList, form->ProcessesPage().ProcList,
                            {5, 5});
    }
    std::string Caption(size_t entries) const { return Line(Lng::ProcSurvBoxCaption, entries); }
};

// Every list box of the main window's three pages holds its rows' texts,
// and every list view's tick marks are readable through the window, as a
// screen reader reads them.
TEST_F(SurveillanceForm, EveryListOfEveryPageIsReadableThroughItsWindow) {
    TMainForm& f = OpenPage("c:\\one.exe\r\nc:\\two.exe\r\n");
    f.ProcessesPage().ProcList.SetChecked(1, true);
    ClickTab(2);
    ClickTab(0);
    int lists = 0, views = 0;
    std::function<void(HWND)> walk = [&](HWND parent) {
        for (HWND w = ::GetWindow(parent, GW_CHILD); w; w = ::GetWindow(w, GW_HWNDNEXT)) {
            wchar_t cls[64] = {};
            ::GetClassNameW(w, cls, 64);
            const LONG style = ::GetWindowLongW(w, GWL_STYLE);
            if (_wcsicmp(cls, L"LISTBOX") == 0) {
                ++lists;
                EXPECT_TRUE(style & LBS_HASSTRINGS) << FromWide(cls);
                const int n = static_cast<int>(::SendMessageW(w, LB_GETCOUNT, 0, 0));
                for (int i = 0; i < n; ++i)
                    EXPECT_GT(::SendMessageW(w, LB_GETTEXTLEN, i, 0), 0) << i;
            } else if (_wcsicmp(cls, WC_LISTVIEWW) == 0 &&
                       (ListView_GetExtendedListViewStyle(w) & LVS_EX_CHECKBOXES)) {
                ++views;
                for (int i = 0; i < ListView_GetItemCount(w); ++i) {
                    UINT state = ListView_GetItemState(w, i, LVIS_STATEIMAGEMASK);
                    EXPECT_NE(state, 0u) << i;
                }
            }
            walk(w);
        }
    };
    walk(f.Handle());
    EXPECT_GE(lists, 1);
    EXPECT_GE(views, 2);
    EXPECT_EQ(Shown(), (Lines{"c:\\one.exe", "c:\\two.exe"}));
    UINT ticked =
        ListView_GetItemState(f.ProcessesPage().ProcList.Handle(), 1, LVIS_STATEIMAGEMASK);
    EXPECT_EQ(ticked, INDEXTOSTATEIMAGEMASK(2));
}

TEST_F(SurveillanceForm, TheSwitchShowsAndHidesTheSurveillanceControls) {
    source.AddProcess(0x10, "c:\\a.exe", "a.exe");
    TMainForm& f = Open();
    ShowProcessPage();
    std::vector<ui::Control*> controls = {
        &f.ProcessesPage().ProcSurvBox, &f.ProcessesPage().SurvSplitter,
        &f.ProcessesPage().AddSurvBtn, &f.ProcessesPage().FinishSurvBtn,
        &f.ProcessesPage().SurvSelectAllChk};
    EXPECT_FALSE(f.ProcessesPage().SwitchSurvBtn.Down());
    for (ui::Control* c : controls)
        EXPECT_FALSE(c->VisibleStyle()) << c->Name();
    EXPECT_EQ(f.ProcessesPage().ProcBox.Height(), f.ProcessesPage().Page1MainPnl.ClientHeight());
    EXPECT_FALSE(f.ProcessesPage().SurvSelectAllChk.Checked());

    f.ProcessesPage().ProcSurvBox.SetCaption("unchanged");
    Click(f.ProcessesPage().SwitchSurvBtn);
    EXPECT_TRUE(f.ProcessesPage().SwitchSurvBtn.Down());
    for (ui::Control* c : controls)
        EXPECT_TRUE(c->VisibleStyle()) << c->Name();
    EXPECT_EQ(f.ProcessesPage().ProcSurvBox.Caption(), "unchanged");
    // The box along the bottom of the main panel, the splitter above it.
    EXPECT_EQ(f.ProcessesPage().ProcSurvBox.Top() + f.ProcessesPage().ProcSurvBox.Height(),
              f.ProcessesPage().Page1MainPnl.ClientHeight());
    EXPECT_EQ(f.ProcessesPage().SurvSplitter.Top() + f.ProcessesPage().SurvSplitter.Height(),
              f.ProcessesPage().ProcSurvBox.Top());
    EXPECT_EQ(f.ProcessesPage().ProcBox.Top() + f.ProcessesPage().ProcBox.Height(),
              f.ProcessesPage().SurvSplitter.Top());
    EXPECT_GT(f.ProcessesPage().ProcSurvList.Height(), 0);

    // A larger window: the boxes follow it, the column fills the list.
    f.SetSize(900, 700);
    Pump();
    EXPECT_EQ(f.ProcessesPage().ProcList.ColumnWidth(0),
              f.ProcessesPage().ProcBox.ClientWidth() - 20);
    EXPECT_EQ(f.ProcessesPage().ProcSurvBox.Top() + f.ProcessesPage().ProcSurvBox.Height(),
              f.ProcessesPage().Page1MainPnl.ClientHeight());
    EXPECT_EQ(f.ProcessesPage().Page1MenuPnl.Left() + f.ProcessesPage().Page1MenuPnl.Width(),
              f.PagePnl1.ClientWidth());
    EXPECT_EQ(f.ProcessesPage().ProcSurvBox.Width(), f.ProcessesPage().ProcBox.Width());

    Click(f.ProcessesPage().SwitchSurvBtn);
    EXPECT_FALSE(f.ProcessesPage().SwitchSurvBtn.Down());
    for (ui::Control* c : controls)
        EXPECT_FALSE(c->VisibleStyle()) << c->Name();
    EXPECT_EQ(f.ProcessesPage().ProcBox.Height(), f.ProcessesPage().Page1MainPnl.ClientHeight());
}

TEST_F(SurveillanceForm, ADropAddsTheUpperCasedCaptionOnceAndSavesOnlyAChange) {
    TMainForm& f = OpenPage();
    EXPECT_EQ(f.ProcessesPage().ProcSurvBox.Caption(), Caption(0));
    ASSERT_EQ(f.ProcessesPage().ProcList.ItemText(1, 0), "mixed.exe");

    // Nothing selected: nothing at all, not even the caption.
    f.ProcessesPage().ProcSurvBox.SetCaption("sentinel");
    EXPECT_TRUE(Drop());
    EXPECT_EQ(f.ProcessesPage().ProcSurvBox.Caption(), "sentinel");
    EXPECT_FALSE(FileExists(SurvFile()));

    f.ProcessesPage().ProcList.Select(1);
    EXPECT_FALSE(f.DropOn(f.ProcessesPage().ProcSurvList, f.AutostartPage().ASList, {5, 5}))
        << "only rows of ProcList";
    EXPECT_FALSE(f.DropOn(f.ProcessesPage().ProcBox, f.ProcessesPage().ProcList, {5, 5}));
    EXPECT_TRUE(Drop());
    EXPECT_EQ(Shown(), Lines{"MIXED.EXE"});
    EXPECT_EQ(test::ReadBytes(SurvFile()), "MIXED.EXE\r\n");
    EXPECT_EQ(f.ProcessesPage().ProcSurvBox.Caption(), Caption(1));

    // The same again, as it is in the file in another case: no change, the
    // file stays as it is, the caption is set all the same.
    test::WriteBytes(SurvFile(), "mixed.EXE\n");
    Click(f.ProcessesPage().ProcRefreshBtn);
    f.ProcessesPage().ProcList.Select(1);
    f.ProcessesPage().ProcSurvBox.SetCaption("sentinel");
    EXPECT_TRUE(Drop());
    EXPECT_EQ(Shown(), Lines{"mixed.EXE"});
    EXPECT_EQ(test::ReadBytes(SurvFile()), "mixed.EXE\n");
    EXPECT_EQ(f.ProcessesPage().ProcSurvBox.Caption(), Caption(1));

    f.ProcessesPage().ProcList.Select(0);
    EXPECT_TRUE(Drop());
    EXPECT_EQ(Shown(), (Lines{"C:\\TOOLS\\A.EXE", "mixed.EXE"}));
    EXPECT_EQ(test::ReadBytes(SurvFile()), "C:\\TOOLS\\A.EXE\r\nmixed.EXE\r\n");
    EXPECT_TRUE(dialogs.Messages().empty());
}

TEST_F(SurveillanceForm, TheAddButtonAsksWithTheDesignedDialogAndKeepsTheCase) {
    TMainForm& f = OpenPage("C:\\TOOLS\\A.EXE\r\n");
    dialogs.QueueOpenFiles(
        {"c:\\Werkzeug\\B.exe", "c:\\tools\\a.exe", "C:\\WERKZEUG\\b.EXE", "c:\\0.exe"});
    Click(f.ProcessesPage().AddSurvBtn);
    ASSERT_EQ(dialogs.FileRequests().size(), 1u);
    const FileDialogRequest& r = dialogs.FileRequests()[0];
    EXPECT_EQ(r.title, "Datei(en) angeben, die \xFC"
                       "berwacht werden sollen");
    EXPECT_EQ(r.filter, "Anwendungen (*.EXE)|*.exe|Alle Dateien (*.*)|*.*");
    EXPECT_EQ(r.defaultExt, "exe");
    EXPECT_EQ(r.initialName, "");
    EXPECT_TRUE(r.multiSelect);
    EXPECT_TRUE(r.mustExist);
    EXPECT_FALSE(r.overwritePrompt);
    // Duplicates without regard to case are left out, the order is the
    // list's own.
    EXPECT_EQ(Shown(), (Lines{"c:\\0.exe", "C:\\TOOLS\\A.EXE", "c:\\Werkzeug\\B.exe"}));
    EXPECT_EQ(test::ReadBytes(SurvFile()),
              "c:\\0.exe\r\nC:\\TOOLS\\A.EXE\r\nc:\\Werkzeug\\B.exe\r\n");
    EXPECT_EQ(f.ProcessesPage().ProcSurvBox.Caption(), Caption(3));

    // Cancel, and a choice of what is there already: the caption is set,
    // the file is not written.
    test::WriteBytes(SurvFile(), "sentinel");
    for (Lines chosen : {Lines{}, Lines{"C:\\0.EXE"}}) {
        dialogs.QueueOpenFiles(chosen);
        f.ProcessesPage().ProcSurvBox.SetCaption("x");
        Click(f.ProcessesPage().AddSurvBtn);
        EXPECT_EQ(f.ProcessesPage().ProcSurvBox.Caption(), Caption(3));
        EXPECT_EQ(test::ReadBytes(SurvFile()), "sentinel");
    }
}

TEST_F(SurveillanceForm, TicksRemoveEntriesSelectAllTicksEveryOneAndAFillClearsThem) {
    TMainForm& f = OpenPage("b.exe\r\na.exe\nc.exe\rd.exe");
    ASSERT_EQ(Shown(), (Lines{"a.exe", "b.exe", "c.exe", "d.exe"}));
    EXPECT_EQ(f.ProcessesPage().ProcSurvBox.Caption(), Caption(4));

    // Removing with nothing ticked changes nothing and writes nothing.
    f.ProcessesPage().ProcSurvBox.SetCaption("x");
    Click(f.ProcessesPage().FinishSurvBtn);
    EXPECT_EQ(Shown().size(), 4u);
    EXPECT_EQ(f.ProcessesPage().ProcSurvBox.Caption(), Caption(4));
    EXPECT_EQ(test::ReadBytes(SurvFile()), "b.exe\r\na.exe\nc.exe\rd.exe");

    ClickBox(1);
    ClickBox(3);
    EXPECT_EQ(TickedEntries(), (std::vector<int>{1, 3}));
    // The space bar toggles the focused entry as well.
    f.ProcessesPage().ProcSurvList.SetItemIndex(2);
    ::SendMessageW(f.ProcessesPage().ProcSurvList.Handle(), WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(TickedEntries(), (std::vector<int>{1, 2, 3}));
    ClickBox(2);
    // A click on the text only selects.
    RECT text = f.ProcessesPage().ProcSurvList.ItemRect(0);
    LPARAM at = MAKELPARAM(text.left + 60, (text.top + text.bottom) / 2);
    ::PostMessageW(f.ProcessesPage().ProcSurvList.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageW(f.ProcessesPage().ProcSurvList.Handle(), WM_LBUTTONUP, 0, at);
    Pump();
    EXPECT_EQ(f.ProcessesPage().ProcSurvList.ItemIndex(), 0);
    EXPECT_EQ(TickedEntries(), (std::vector<int>{1, 3}));

    Click(f.ProcessesPage().FinishSurvBtn);
    EXPECT_EQ(Shown(), (Lines{"a.exe", "c.exe"}));
    EXPECT_EQ(test::ReadBytes(SurvFile()), "a.exe\r\nc.exe\r\n");
    EXPECT_EQ(f.ProcessesPage().ProcSurvBox.Caption(), Caption(2));
    EXPECT_TRUE(TickedEntries().empty());

    // A fill reloads the file: every tick goes.
    ClickBox(0);
    Click(f.ProcessesPage().ProcRefreshBtn);
    EXPECT_EQ(Shown(), (Lines{"a.exe", "c.exe"}));
    EXPECT_TRUE(TickedEntries().empty());

    // "Alle wählen", then "Entfernen": an empty list, an empty file.
    f.ProcessesPage().ProcSurvBox.SetCaption("x");
    Click(f.ProcessesPage().SurvSelectAllChk);
    EXPECT_EQ(TickedEntries(), (std::vector<int>{0, 1}));
    EXPECT_EQ(f.ProcessesPage().ProcSurvBox.Caption(), "x") << "ticking is no change of the list";
    Click(f.ProcessesPage().FinishSurvBtn);
    EXPECT_TRUE(Shown().empty());
    EXPECT_TRUE(FileExists(SurvFile()));
    EXPECT_EQ(test::ReadBytes(SurvFile()), "");
    EXPECT_EQ(f.ProcessesPage().ProcSurvBox.Caption(), Caption(0));
    // On an empty list the box does nothing either way.
    Click(f.ProcessesPage().SurvSelectAllChk);
    Click(f.ProcessesPage().FinishSurvBtn);
    EXPECT_EQ(test::ReadBytes(SurvFile()), "");
}

TEST_F(SurveillanceForm, AFileThatCannotBeWrittenGoesToTheErrorHandler) {
    // A folder where the file should be: it cannot be read as a list and
    // cannot be replaced.
    ASSERT_TRUE(::CreateDirectoryA(SurvFile().c_str(), nullptr));
    TMainForm& f = OpenPage();
    EXPECT_TRUE(Shown().empty());
    const std::string message = "Datei " + SurvFile() + " kann nicht erstellt werden";

    f.ProcessesPage().ProcList.Select(0);
    f.ProcessesPage().ProcSurvBox.SetCaption("sentinel");
    EXPECT_TRUE(Drop());
    ASSERT_EQ(dialogs.Messages().size(), 1u);
    EXPECT_EQ(dialogs.Messages()[0].text, message);
    EXPECT_EQ(dialogs.Messages()[0].kind, MsgKind::Error);
    // The list keeps the entry until the next fill; after a drop the
    // caption is not set.
    EXPECT_EQ(Shown(), Lines{"C:\\TOOLS\\A.EXE"});
    EXPECT_EQ(f.ProcessesPage().ProcSurvBox.Caption(), "sentinel");

    dialogs.QueueOpenFiles({"c:\\b.exe"});
    Click(f.ProcessesPage().AddSurvBtn);
    ASSERT_EQ(dialogs.Messages().size(), 2u);
    EXPECT_EQ(dialogs.Messages()[1].text, message);
    EXPECT_EQ(f.ProcessesPage().ProcSurvBox.Caption(), Caption(2));
    EXPECT_TRUE(DirectoryExists(SurvFile()));
    ::RemoveDirectoryA(SurvFile().c_str());
}

TEST_F(SurveillanceForm, AHostileFileFillsTheListAndIsNeverRewritten) {
    std::string bytes(1 << 20, 'L');
    bytes += "\r\n";
    bytes += std::string("with\0nul\r\n\0\0\n", 13);
    const char* ends[] = {"\r\n", "\r", "\n"};
    for (int i = 0; i < 100000; ++i)
        bytes +=
            "c:\\d" + std::to_string(i % 97) + "\\f" + std::to_string(i) + ".exe" + ends[i % 3];
    bytes += "last";
    const size_t lines = DecodeSurveillanceFile(bytes).size();
    TMainForm& f = OpenPage(bytes);
    EXPECT_EQ(size_t(f.ProcessesPage().ProcSurvList.Count()), lines);
    EXPECT_EQ(f.ProcessesPage().ProcSurvBox.Caption(), Caption(lines));
    // The overlong line drawn at the top of the list.
    ptrdiff_t longest = f.ProcessesPage().Surveillance().Find(std::string(1 << 20, 'L'));
    ASSERT_GE(longest, 0);
    ::SendMessageW(f.ProcessesPage().ProcSurvList.Handle(), LB_SETTOPINDEX, longest, 0);
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 400, 200);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    ::SendMessageW(f.ProcessesPage().ProcSurvList.Handle(), WM_PRINTCLIENT, (WPARAM)dc, PRF_CLIENT);
    ::SelectObject(dc, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
    // Shown, ticked, unticked, refilled: never written.
    Click(f.ProcessesPage().SurvSelectAllChk);
    Click(f.ProcessesPage().SurvSelectAllChk);
    Click(f.ProcessesPage().ProcRefreshBtn);
    ClickTab(0);
    ClickTab(1);
    Click(f.ProcessesPage().FinishSurvBtn);
    EXPECT_EQ(test::ReadBytes(SurvFile()), bytes);
    EXPECT_EQ(size_t(f.ProcessesPage().ProcSurvList.Count()), lines);
}

// ---- Mouse --------------------------------------------------------------------

TEST_F(SurveillanceForm, PullingARowWithTheMouseOntoTheListDropsIt) {
    TMainForm& f = OpenPage();
    auto press = [&](int row) {
        RECT r = f.ProcessesPage().ProcList.ItemRect(row);
        int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
        ::PostMessageW(f.ProcessesPage().ProcList.Handle(), WM_LBUTTONDOWN, MK_LBUTTON,
                       MAKELPARAM(x, y));
        ::PostMessageW(f.ProcessesPage().ProcList.Handle(), WM_MOUSEMOVE, MK_LBUTTON,
                       MAKELPARAM(x, y + 25));
        Pump();
    };
    // Form coordinates of the middle of a control.
    auto middle = [&](const ui::Control& c) {
        POINT p{c.Width() / 2, c.Height() / 2};
        ::MapWindowPoints(c.Handle(), f.Handle(), &p, 1);
        return MAKELPARAM(p.x, p.y);
    };
    auto release = [&](const ui::Control& over) {
        ::PostMessageW(f.Handle(), WM_MOUSEMOVE, MK_LBUTTON, middle(over));
        ::PostMessageW(f.Handle(), WM_LBUTTONUP, 0, middle(over));
        Pump();
    };

    press(1);
    EXPECT_EQ(f.DragSource(), &f.ProcessesPage().ProcList);
    EXPECT_EQ(f.ProcessesPage().ProcList.Selected(), 1);
    release(f.ProcessesPage().ProcSurvList);
    EXPECT_EQ(f.DragSource(), nullptr);
    EXPECT_EQ(Shown(), Lines{"MIXED.EXE"});
    EXPECT_EQ(test::ReadBytes(SurvFile()), "MIXED.EXE\r\n");

    // Let go over a control that takes nothing, or Escape: no drop.
    press(0);
    release(f.ProcessesPage().ProcBox);
    EXPECT_EQ(f.DragSource(), nullptr);
    press(0);
    ASSERT_EQ(f.DragSource(), &f.ProcessesPage().ProcList);
    ::PostMessageW(f.ProcessesPage().ProcList.Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
    Pump();
    EXPECT_EQ(f.DragSource(), nullptr);
    release(f.ProcessesPage().ProcSurvList);
    EXPECT_EQ(Shown(), Lines{"MIXED.EXE"});
}

TEST_F(SurveillanceForm, TheSplitterMovesTheBorderBetweenTheBoxes) {
    TMainForm& f = OpenPage();
    const int surv = f.ProcessesPage().ProcSurvBox.Height(),
              proc = f.ProcessesPage().ProcBox.Height();
    const int page = f.ProcessesPage().Page1MainPnl.ClientHeight();
    HWND bar = f.ProcessesPage().SurvSplitter.Handle();
    // Client positions above the bar are negative.
    auto at = [](int x, int y) { return MAKELPARAM(WORD(short(x)), WORD(short(y))); };
    // Each move is given where the bar is when it is sent, as a mouse would.
    ::PostMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, at(20, 2));
    Pump();
    EXPECT_TRUE(f.ProcessesPage().SurvSplitter.Dragging());
    ::PostMessageW(bar, WM_MOUSEMOVE, MK_LBUTTON, at(20, 2 - 40));
    Pump();
    EXPECT_EQ(f.ProcessesPage().ProcSurvBox.Height(), surv + 40);
    EXPECT_EQ(f.ProcessesPage().ProcBox.Height(), proc - 40);
    ::PostMessageW(bar, WM_MOUSEMOVE, MK_LBUTTON, at(20, 2 + 2000));
    Pump();
    EXPECT_EQ(f.ProcessesPage().ProcSurvBox.Height(), 60) << "the least height";
    ::PostMessageW(bar, WM_MOUSEMOVE, MK_LBUTTON, at(20, 2 - 3000));
    Pump();
    EXPECT_EQ(f.ProcessesPage().ProcBox.Height(), 60);
    EXPECT_EQ(f.ProcessesPage().ProcSurvBox.Top() + f.ProcessesPage().ProcSurvBox.Height(), page);
    ::PostMessageW(bar, WM_LBUTTONUP, 0, at(20, 2));
    Pump();
    EXPECT_FALSE(f.ProcessesPage().SurvSplitter.Dragging());
    const int kept = f.ProcessesPage().ProcSurvBox.Height();
    ::PostMessageW(bar, WM_MOUSEMOVE, 0, at(20, 80));
    Pump();
    EXPECT_EQ(f.ProcessesPage().ProcSurvBox.Height(), kept) << "released, the bar stays";
}

// ---- Guard --------------------------------------------------------------------

class GuardForm : public test::ProcessPageFixture {
  protected:
    TMainForm& OpenWith(std::initializer_list<bool> running) {
        auto g = std::make_unique<test::ScriptedGuard>();
        g->running = running;
        guard = g.get();
        return Open(false, std::move(g));
    }
    test::ScriptedGuard* guard = nullptr;
};

TEST_F(GuardForm, TheStartShowsWhetherTheGuardRuns) {
    TMainForm& f = OpenWith({true});
    EXPECT_TRUE(f.QVGuardBtn.Down());
    EXPECT_EQ(f.QVGuardLbl.Caption(), Line(Lng::GuardRunning));
    EXPECT_EQ(guard->log, Lines{"running"});

    TMainForm& g = OpenWith({false});
    EXPECT_FALSE(g.QVGuardBtn.Down());
    EXPECT_EQ(g.QVGuardLbl.Caption(), Line(Lng::GuardNotRunning));
}

TEST_F(GuardForm, AGuardWithoutWindowOrOneThatDoesNotStartIsReported) {
    // Runs, but cannot be asked to end: stays pressed, the label unchanged.
    TMainForm& f = OpenWith({true});
    guard->windowFound = false;
    f.QVGuardLbl.SetCaption("label");
    Click(f.QVGuardBtn);
    EXPECT_TRUE(f.QVGuardBtn.Down());
    EXPECT_EQ(f.QVGuardLbl.Caption(), "label");
    ASSERT_EQ(dialogs.Messages().size(), 1u);
    EXPECT_EQ(dialogs.Messages()[0].text, Line(Lng::GuardWindowNotFound));
    EXPECT_EQ(dialogs.Messages()[0].kind, MsgKind::Plain);
    EXPECT_TRUE(sleeps.empty());

    // Does not start: released after the first wait.
    guard->running = {false};
    guard->log.clear();
    dialogs.Clear();
    Click(f.QVGuardBtn);
    EXPECT_FALSE(f.QVGuardBtn.Down());
    EXPECT_EQ(f.QVGuardLbl.Caption(), "label");
    ASSERT_EQ(dialogs.Messages().size(), 1u);
    EXPECT_EQ(dialogs.Messages()[0].text, Line(Lng::GuardDidNotStart));
    EXPECT_EQ(guard->log, (Lines{"not running", "start", "not running"}));
    EXPECT_EQ(sleeps, std::vector<uint32_t>{500});
}

TEST_F(GuardForm, TheTimerReleasesTheButtonOnlyWhenTheGuardWentAway) {
    TMainForm& f = OpenWith({true});
    EXPECT_EQ(f.QVGuardTimer.Interval(), 10000u);
    EXPECT_TRUE(f.QVGuardTimer.Enabled());
    auto tick = [&] { ::SendMessageW(f.Handle(), WM_TIMER, f.QVGuardTimer.Id(), 0); };
    tick();
    EXPECT_TRUE(f.QVGuardBtn.Down());
    guard->running = {false};
    tick();
    EXPECT_FALSE(f.QVGuardBtn.Down());
    EXPECT_EQ(f.QVGuardLbl.Caption(), Line(Lng::GuardNotRunning));
    // A guard started from outside is not noticed while released.
    guard->running = {true};
    guard->log.clear();
    tick();
    EXPECT_FALSE(f.QVGuardBtn.Down());
    EXPECT_TRUE(guard->log.empty());
}

// The real qvguard.exe in the test's own folder, started and stopped by the
// button. The two waits of the click are stretched until the guard has done
// what was asked, within a generous limit, so a slow machine cannot fail it.
class RealGuardForm : public test::ProcessPageFixture {
  protected:
    void SetUp() override {
        ProcessPageFixture::SetUp();
        for (const char* file : {"qvguard.exe", "procs.dll"})
            ASSERT_TRUE(::CopyFileA((ExecutableDir() + file).c_str(), (dir / file).c_str(), FALSE));
        ASSERT_EQ(::FindWindowW(nullptr, kGuardWindowTitle), nullptr) << "a guard is running";
        SetClockHooks({[this](uint32_t ms) {
                           ::Sleep(ms);
                           WaitFor([this] { return IsGuardRunning(dir.Path()) == expectRunning; });
                       },
                       {}});
    }
    void TearDown() override {
        form.reset();
        SetClockHooks({});
        SystemProcessSource processes;
        const std::string exe = UpperAscii(dir / kGuardExeName);
        for (const ProcessEntry& e : CollectProcesses(processes))
            if (ProcessName(e) == exe) KillProcess(e.th32ProcessID);
        WaitFor([this] { return !IsGuardRunning(dir.Path()); });
        ProcessPageFixture::TearDown();
    }
    static void WaitFor(const std::function<bool()>& condition) {
        for (int i = 0; i < 200 && !condition(); ++i)
            ::Sleep(50);
    }
    bool expectRunning = false;
};

TEST_F(RealGuardForm, TheButtonStartsAndStopsTheGuardAndTheLabelFollows) {
    source.AddProcess(0x10, "c:\\a.exe", "a.exe");
    source.AddProcess(0x20, "c:\\b.exe", "b.exe");
    TMainForm& f = Open();
    ShowProcessPage();
    // The guard looks at the processes in a table of its own: the page's
    // rows keep addressing what they showed.
    auto tableIds = [this] {
        std::vector<uint32_t> ids;
        for (const ProcessEntry& e : model.ProcessTable)
            ids.push_back(e.th32ProcessID);
        return ids;
    };
    const std::vector<uint32_t> shown = tableIds();
    ASSERT_EQ(shown, (std::vector<uint32_t>{0x10, 0x20}));
    EXPECT_FALSE(f.QVGuardBtn.Down());
    EXPECT_EQ(f.QVGuardLbl.Caption(), Line(Lng::GuardNotRunning));

    expectRunning = true;
    Click(f.QVGuardBtn);
    EXPECT_TRUE(IsGuardRunning(dir.Path()));
    EXPECT_TRUE(f.QVGuardBtn.Down());
    EXPECT_EQ(f.QVGuardLbl.Caption(), Line(Lng::GuardRunning));
    EXPECT_TRUE(dialogs.Messages().empty());

    // Its window comes up a moment after its process.
    WaitFor([] { return ::FindWindowW(nullptr, kGuardWindowTitle) != nullptr; });
    expectRunning = false;
    Click(f.QVGuardBtn);
    EXPECT_FALSE(IsGuardRunning(dir.Path()));
    EXPECT_FALSE(f.QVGuardBtn.Down());
    EXPECT_EQ(f.QVGuardLbl.Caption(), Line(Lng::GuardNotRunning));
    EXPECT_TRUE(dialogs.Messages().empty());
    ::SendMessageW(f.Handle(), WM_TIMER, f.QVGuardTimer.Id(), 0);
    EXPECT_EQ(tableIds(), shown);
    EXPECT_EQ(source.idListCalls, 1);
}

} // namespace
} // namespace qv
