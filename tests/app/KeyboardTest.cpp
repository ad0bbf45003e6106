// The autostart and process pages driven by keystrokes alone: each key goes
// to the control that would have the focus and runs through the window's
// key preview and the dialog navigation as the message loop runs them; no
// mouse message is sent. Every dialog closes with Escape, the focus cues
// always show, and Tab walks the shown page in its visual order.
#include "EveryWindow.h"

#include "base/WinText.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <vector>

namespace qv {
namespace {

using test::kRunKey;

class KeyboardTest : public test::EveryWindowFixture {
  protected:
    void SetUp() override {
        runValues = {"QvKeyA", "QvKeyB", "QvKeyC"};
        EveryWindowFixture::SetUp();
        // A deactivation writes aseinactive.dat into the working folder.
        ::GetCurrentDirectoryW(MAX_PATH, cwd_);
        ::SetCurrentDirectoryW(ToWide(dir.Path()).c_str());
        SetRunValue("QvKeyA", "c:\\a.exe");
        SetRunValue("QvKeyB", "c:\\b.exe");
    }
    void TearDown() override {
        EveryWindowFixture::TearDown();
        ::SetCurrentDirectoryW(cwd_);
    }
    wchar_t cwd_[MAX_PATH] = {};
    // A key pressed and released with the control (and shift) keys held as
    // asked, while `target` has the focus.
    void Press(HWND target, WORD key, bool ctrl = false, bool shift = false,
               ui::Form* window = nullptr) {
        BYTE keys[256] = {}, held[256] = {};
        ::GetKeyboardState(keys);
        std::copy(std::begin(keys), std::end(keys), std::begin(held));
        held[VK_CONTROL] = ctrl ? 0x80 : 0;
        held[VK_SHIFT] = shift ? 0x80 : 0;
        ::SetKeyboardState(held);
        ::PostMessageW(target, WM_KEYDOWN, key, 1);
        ::PostMessageW(target, WM_KEYUP, key, 0xC0000001);
        ui::ProcessMessages(window ? window : form.get());
        ::SetKeyboardState(keys);
    }
    int Row(const ui::ListView& list, const std::string& caption) const {
        for (int r = 0; r < list.Count(); ++r)
            if (list.ItemText(r, 0) == caption) return r;
        return -1;
    }
    // Moves the list's selection with the arrow keys onto the row.
    void KeyTo(const ui::ListView& list, const std::string& caption) {
        Press(list.Handle(), VK_HOME);
        for (int r = 0; r < list.Count() && list.Selected() != Row(list, caption); ++r)
            Press(list.Handle(), VK_DOWN);
        ASSERT_EQ(list.Selected(), Row(list, caption)) << caption;
    }
};

TEST_F(KeyboardTest, EveryFunctionOfBothPagesRunsFromTheKeyboard) {
    source.AddProcess(0x10, "c:\\tools\\a.exe", "a.exe");
    source.AddProcess(0x20, "c:\\tools\\b.exe", "b.exe");
    TMainForm& f = Open();
    TAutostartPage& as = f.AutostartPage();
    std::string opened;
    ui::SetModalRunner([&](ui::ModalForm& m) {
        if (auto* edit = dynamic_cast<TASEditForm*>(&m)) opened = edit->EditedEntry.ValueName.str();
        if (auto* info = dynamic_cast<TProcInfoForm*>(&m)) opened = info->Row.caption;
        return int(ui::mrCancel);
    });
    auto entry = [&](const char* name) -> const AutostartEntry* {
        for (const AutostartEntry& e : model.ASEntries)
            if (e.ValueName.str() == name) return &e;
        return nullptr;
    };
    HWND asList = as.ASList.Handle();
    struct Step {
        const char* what;
        std::function<void()> keys;
        std::function<bool()> done;
    };
    const Step steps[] = {
        {"Ctrl+Tab to the processes", [&] { Press(asList, VK_TAB, true); },
         [&] { return f.Tab.TabIndex() == 1 && !f.PagePnl0.VisibleStyle(); }},
        {"Ctrl+Shift+Tab back, and round to the last page",
         [&] {
             Press(f.ProcessesPage().ProcList.Handle(), VK_TAB, true, true);
             Press(asList, VK_TAB, true, true);
         },
         [&] { return f.Tab.TabIndex() == 2 && f.PagePnl2.VisibleStyle(); }},
        {"Ctrl+Tab round to the autostarts",
         [&] { Press(f.InfoPage().SysInfoList.Handle(), VK_TAB, true); },
         [&] { return f.Tab.TabIndex() == 0 && f.PagePnl0.VisibleStyle(); }},
        {"Enter with write protection on edits nothing",
         [&] {
             KeyTo(as.ASList, "QvKeyA");
             Press(asList, VK_RETURN);
         },
         [&] { return opened.empty(); }},
        {"Space clears write protection; Enter opens the editor",
         [&] {
             Press(as.ASWriteProtectChk.Handle(), VK_SPACE);
             KeyTo(as.ASList, "QvKeyA");
             Press(asList, VK_RETURN);
         },
         [&] { return !as.ASWriteProtectChk.Checked() && opened == "QvKeyA"; }},
        {"Del asks as the button does and deletes",
         [&] {
             dialogs.QueueAnswer(MsgResult::Ok);
             Press(asList, VK_DELETE);
         },
         [&] {
             return dialogs.Messages().size() == 1 &&
                    !test::RegValueExists(HKEY_CURRENT_USER, kRunKey, "QvKeyA");
         }},
        {"Space ticks off the focused row",
         [&] {
             KeyTo(as.ASList, "QvKeyB");
             Press(asList, VK_SPACE);
         },
         [&] { return entry("QvKeyB") && entry("QvKeyB")->Active == 0; }},
        {"F5 rescans the page",
         [&] {
             SetRunValue("QvKeyC", "c:\\c.exe");
             Press(asList, VK_F5);
         },
         [&] { return Row(as.ASList, "QvKeyC") >= 0; }},
    };
    for (const Step& s : steps) {
        s.keys();
        EXPECT_TRUE(s.done()) << s.what;
    }

    Press(asList, VK_TAB, true);
    TProcessesPage& pp = f.ProcessesPage();
    HWND procList = pp.ProcList.Handle(), survList = pp.ProcSurvList.Handle();
    control.log.clear();
    int survHeight = 0;
    const Step processSteps[] = {
        {"Space ticks the focused process",
         [&] {
             KeyTo(pp.ProcList, "C:\\TOOLS\\B.EXE");
             Press(procList, VK_SPACE);
         },
         [&] { return pp.ProcList.Checked(Row(pp.ProcList, "C:\\TOOLS\\B.EXE")); }},
        {"Enter shows the process information", [&] { Press(procList, VK_RETURN); },
         [&] { return opened == "C:\\TOOLS\\B.EXE"; }},
        {"Space on the kill button asks and ends the ticked process",
         [&] {
             dialogs.QueueAnswer(MsgResult::Ok);
             Press(pp.ProcKillBtn.Handle(), VK_SPACE);
         },
         [&] { return !control.log.empty(); }},
        {"F5 reads the processes again",
         [&] {
             source.AddProcess(0x30, "c:\\tools\\c.exe", "c.exe");
             Press(procList, VK_F5);
         },
         [&] { return Row(pp.ProcList, "C:\\TOOLS\\C.EXE") >= 0; }},
        {"Space shows the surveillance; Ins adds the selected process",
         [&] {
             Press(pp.SwitchSurvBtn.Handle(), VK_SPACE);
             KeyTo(pp.ProcList, "C:\\TOOLS\\C.EXE");
             Press(procList, VK_INSERT);
         },
         [&] { return pp.Surveillance().Count() == 1; }},
        {"Up on the splitter twice grows the surveillance box, Down shrinks it",
         [&] {
             survHeight = pp.ProcSurvBox.Height();
             Press(pp.SurvSplitter.Handle(), VK_UP);
             Press(pp.SurvSplitter.Handle(), VK_UP);
             Press(pp.SurvSplitter.Handle(), VK_DOWN);
         },
         [&] {
             return ::SendMessageW(pp.SurvSplitter.Handle(), WM_GETDLGCODE, 0, 0) &
                        DLGC_WANTARROWS &&
                    pp.ProcSurvBox.Height() == survHeight + f.Scale(ui::Splitter::KeyStep);
         }},
        {"Ctrl+A ticks every entry",
         [&] {
             KeyTo(pp.ProcList, "C:\\TOOLS\\A.EXE");
             Press(procList, VK_INSERT);
             Press(survList, 'A', true);
         },
         [&] { return pp.ProcSurvList.Checked(0) && pp.ProcSurvList.Checked(1); }},
        {"Space unticks the focused entry; Del removes the ticked one",
         [&] {
             Press(survList, VK_HOME);
             Press(survList, VK_SPACE);
             Press(survList, VK_DELETE);
         },
         [&] { return pp.Surveillance().Count() == 1 && !pp.ProcSurvList.Checked(0); }},
        {"Del with nothing ticked removes the focused entry", [&] { Press(survList, VK_DELETE); },
         [&] { return pp.Surveillance().Count() == 0; }},
    };
    for (const Step& s : processSteps) {
        s.keys();
        EXPECT_TRUE(s.done()) << s.what;
    }
}

TEST_F(KeyboardTest, EscapeClosesEveryDialogAndNoWindowHidesItsFocus) {
    int dialogsSeen = 0;
    ForEachWindow([&](ui::Form& window, const std::string& which) {
        std::function<void(HWND)> walk = [&](HWND parent) {
            for (HWND w = ::GetWindow(parent, GW_CHILD); w; w = ::GetWindow(w, GW_HWNDNEXT)) {
                const LRESULT cues = ::SendMessageW(w, WM_QUERYUISTATE, 0, 0);
                EXPECT_EQ(cues & UISF_HIDEFOCUS, 0) << which;
                walk(w);
            }
        };
        walk(window.Handle());
        auto* dialog = dynamic_cast<ui::ModalForm*>(&window);
        if (!dialog) return;
        ++dialogsSeen;
        // From the first control the keyboard reaches (the frame where there
        // is none); a multi-line edit wants every key, and Escape still
        // closes.
        HWND first = ui::FirstTabStop(window.Handle());
        HWND memo = ::FindWindowExW(window.Handle(), nullptr, L"EDIT", nullptr);
        for (HWND w : {first ? first : window.Handle(), memo})
            if (w && dialog->ModalResult == ui::mrNone) Press(w, VK_ESCAPE, false, false, dialog);
        EXPECT_EQ(dialog->ModalResult, ui::mrCancel) << which;
    });
    EXPECT_EQ(dialogsSeen, 6);
}

// Whether the window and every parent up to the top-level one show, and it
// takes the keyboard.
bool ReachableStop(HWND w, HWND top) {
    if ((::GetWindowLongW(w, GWL_STYLE) & (WS_TABSTOP | WS_DISABLED)) != WS_TABSTOP) return false;
    for (HWND h = w; h && h != top; h = ::GetParent(h))
        if (!(::GetWindowLongW(h, GWL_STYLE) & WS_VISIBLE)) return false;
    return true;
}

TEST_F(KeyboardTest, TabVisitsEveryControlOfEveryPageAndDialogInTheOrderItIsSeen) {
    int windows = 0;
    ForEachWindow([&](ui::Form& window, const std::string& which) {
        const HWND top = window.Handle();
        std::set<HWND> stops;
        std::function<void(HWND)> walk = [&](HWND parent) {
            for (HWND w = ::GetWindow(parent, GW_CHILD); w; w = ::GetWindow(w, GW_HWNDNEXT)) {
                if (ReachableStop(w, top)) stops.insert(w);
                walk(w);
            }
        };
        walk(top);
        // Tab from the first stop round to it again, as the dialog
        // navigation moves it.
        std::vector<HWND> order;
        const HWND first = ui::FirstTabStop(top);
        for (HWND w = first; w && order.size() <= stops.size();) {
            order.push_back(w);
            w = ::GetNextDlgTabItem(top, w, FALSE);
            if (w == first) break;
        }
        EXPECT_EQ(std::set<HWND>(order.begin(), order.end()), stops) << which;
        // Each stop lies below the one before, or in a column further right
        // (the first of that column may stand higher); never above and to
        // the left.
        const int slack = window.Scale(4);
        auto name = [](HWND w) {
            const ui::Control* c = ui::Control::FromHandle(w);
            return c ? c->Name() : std::string("?");
        };
        for (size_t i = 1; i < order.size(); ++i) {
            RECT a{}, b{};
            ::GetWindowRect(order[i - 1], &a);
            ::GetWindowRect(order[i], &b);
            const bool below = b.top >= a.top - slack;
            const bool rightColumn = b.left >= a.right - slack;
            EXPECT_TRUE(below || rightColumn)
                << which << ": " << name(order[i - 1]) << " then " << name(order[i]);
        }
        ++windows;
    });
    EXPECT_EQ(windows, 9);
}

} // namespace
} // namespace qv
