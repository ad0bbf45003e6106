// The entry commands of the main window, driven through its real controls:
// the known-entries menus, the edit dialog, deleting, and the text editor.
#include "ProcessPageFixture.h"
#include "model/AppModel.h"
#include "app/HistoryUnit.h"
#include "app/MainUnit.h"
#include "autostart/ASEditUnit.h"
#include "autostart/Scanner.h"
#include "autostart/TextfileEditUnit.h"
#include "base/Files.h"
#include "database/KnownEntries.h"
#include "history/EntryHistory.h"
#include "history/HistoryStore.h"
#include "history/HistoryUndo.h"
#include "support/TestSupport.h"
#include "ui/Modal.h"
#include "base/WinText.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace qv {
namespace {

constexpr const char* kRun = test::kRunKey;

class EntryCommandsTest : public test::ProcessPageFixture {
  protected:
    void SetUp() override {
        runValues = {"QvCmdA", "QvCmdB", "QvCmdRenamed"};
        ProcessPageFixture::SetUp();
        SetRunValue("QvCmdA", "c:\\a.exe");
        SetRunValue("QvCmdB", "c:\\b.exe");
    }
    int RowOf(const std::string& caption) {
        for (int r = 0; r < form->AutostartPage().ASList.Count(); ++r)
            if (form->AutostartPage().ASList.ItemText(r, 0) == caption) return r;
        return -1;
    }
    void Select(const std::string& caption) {
        int row = RowOf(caption);
        ASSERT_GE(row, 0) << caption;
        form->AutostartPage().ASList.Select(row);
        form->AutostartPage().ASListClick();
    }
    // Opens the button's menu and picks the item with the tag (0: none).
    void PickMenu(ui::Button& button, int tag, bool* selectedItemEnabled = nullptr) {
        ui::SetPopupRunner([&](ui::PopupMenu& menu, POINT) {
            if (selectedItemEnabled) *selectedItemEnabled = menu.ItemEnabled(1);
            return tag;
        });
        button.Click();
        ui::ProcessMessages(form.get());
    }
    // Undoes the newest change of the history, which must be the only one.
    UndoResult UndoOnlyChange() {
        HistoryLoad h = LoadHistory(dir.Path());
        EXPECT_EQ(h.history.records.size(), 1u);
        return h.history.records.empty() ? UndoResult::NotFound
                                         : UndoChange(dir.Path(), h.history.records[0].id).result;
    }
};

TEST_F(EntryCommandsTest, MenusOnAnEmptyDatabaseAndTheSelectedItemsEnabling) {
    TMainForm& f = Open();
    bool enabled = true;
    PickMenu(f.AutostartPage().DelEntryFromDBBtn, 3, &enabled);
    EXPECT_FALSE(enabled) << "no row selected";
    EXPECT_FALSE(FileExists(dir / "asedb.dat")) << "nothing changed, nothing saved";

    Select("QvCmdA");
    PickMenu(f.AutostartPage().AddEntryToDBBtn, 0, &enabled);
    EXPECT_TRUE(enabled);
    PickMenu(f.AutostartPage().AddEntryToDBBtn, 2);
    ASSERT_EQ(model.ASEntryDB.size(), 1u);
    EXPECT_EQ(model.ASEntryDB[0].ValueName.str(), "QvCmdA");
    EXPECT_EQ(test::ReadBytes(dir / "asedb.dat").size(), 1800u);
    EXPECT_EQ(f.AutostartPage().ASList.ItemImage(RowOf("QvCmdA")), 1);
    EXPECT_EQ(f.AutostartPage().ASList.ItemImage(RowOf("QvCmdB")), 0);
}

TEST_F(EntryCommandsTest, AddAllThenRescanShowsEveryRowKnownInEveryGroup) {
    TMainForm& f = Open();
    size_t entries = model.ASEntries.size();
    PickMenu(f.AutostartPage().AddEntryToDBBtn, 1);
    f.AutostartPage().ASRefreshBtn.Click();
    ui::ProcessMessages(form.get());
    EXPECT_EQ(model.ASEntries.size(), entries);
    EXPECT_EQ(test::ReadBytes(dir / "asedb.dat").size(), model.ASEntryDB.size() * 1800);
    for (int g = 0; g < 9; ++g) {
        f.AutostartPage().SelectASGroupCombo.SetItemIndex(g);
        f.AutostartPage().SelectASGroupComboChange();
        for (int r = 0; r < f.AutostartPage().ASList.Count(); ++r)
            EXPECT_EQ(f.AutostartPage().ASList.ItemImage(r), 1) << "group " << g << " row " << r;
    }
}

TEST_F(EntryCommandsTest, RemovalComparesActiveButStillRewritesTheFile) {
    TMainForm& f = Open();
    // Accepted while active; now shown deactivated.
    int row = RowOf("QvCmdA");
    ASSERT_GE(row, 0);
    AutostartEntry accepted = model.ASEntries[f.AutostartPage().ASListIndex[row]];
    model.ASEntryDB = {accepted};
    model.ASEntries[f.AutostartPage().ASListIndex[row]].Active = 0;
    f.AutostartPage().SelectASGroupComboChange();
    EXPECT_EQ(f.AutostartPage().ASList.ItemImage(RowOf("QvCmdA")), 1);
    Select("QvCmdA");
    PickMenu(f.AutostartPage().DelEntryFromDBBtn, 4);
    EXPECT_EQ(model.ASEntryDB.size(), 1u);
    EXPECT_EQ(test::ReadBytes(dir / "asedb.dat").size(), 1800u) << "saved all the same";
}

TEST_F(EntryCommandsTest, EditDialogRenamesTheValueAndTheListShowsItAfterARescan) {
    TMainForm& f = Open();
    f.AutostartPage().ASWriteProtectChk.Click();
    Select("QvCmdA");
    ASSERT_TRUE(f.AutostartPage().ASEditBtn.Enabled());
    bool keyEnabled = false;
    std::string shownName, shownValue;
    ui::SetModalRunner([&](ui::ModalForm& m) {
        auto& d = dynamic_cast<TASEditForm&>(m);
        keyEnabled = d.KeyEdit.Enabled();
        shownName = d.KeyEdit.Caption();
        shownValue = d.ValueEdit.Caption();
        d.KeyEdit.SetCaption("QvCmdRenamed");
        d.ValueEdit.SetCaption("c:\\neu.exe");
        d.OkBtn.Click();
        return d.ModalResult;
    });
    f.AutostartPage().ASEditBtn.Click();
    ui::ProcessMessages(form.get());
    EXPECT_TRUE(keyEnabled);
    EXPECT_EQ(shownName, "QvCmdA");
    EXPECT_EQ(shownValue, "c:\\a.exe");
    EXPECT_FALSE(test::RegValueExists(HKEY_CURRENT_USER, kRun, "QvCmdA"));
    EXPECT_EQ(test::RegGetString(HKEY_CURRENT_USER, kRun, "QvCmdRenamed"), "c:\\neu.exe");
    EXPECT_EQ(f.AutostartPage().SelectASGroupCombo.ItemIndex(), 0);
    ASSERT_GE(RowOf("QvCmdRenamed"), 0);
    EXPECT_EQ(f.AutostartPage().ASList.ItemText(RowOf("QvCmdRenamed"), 1), "c:\\neu.exe");
    // The history undoes the rename: the old name is back, the new one gone.
    EXPECT_EQ(UndoOnlyChange(), UndoResult::Undone);
    EXPECT_EQ(test::RegGetString(HKEY_CURRENT_USER, kRun, "QvCmdA"), "c:\\a.exe");
    EXPECT_FALSE(test::RegValueExists(HKEY_CURRENT_USER, kRun, "QvCmdRenamed"));
}

TEST_F(EntryCommandsTest, CancelledEditChangesNothingAndIniEntriesCannotBeRenamed) {
    TMainForm& f = Open();
    f.AutostartPage().ASWriteProtectChk.Click();
    Select("QvCmdA");
    ui::SetModalRunner([&](ui::ModalForm& m) {
        auto& d = dynamic_cast<TASEditForm&>(m);
        d.ValueEdit.SetCaption("changed");
        // Closing by the frame counts as Cancel.
        ::SendMessageW(d.Handle(), WM_CLOSE, 0, 0);
        return d.ModalResult;
    });
    f.AutostartPage().ASEditBtn.Click();
    EXPECT_EQ(test::RegGetString(HKEY_CURRENT_USER, kRun, "QvCmdA"), "c:\\a.exe");
    EXPECT_FALSE(FileExists(HistoryPath(dir.Path()))) << "nothing changed, nothing recorded";

    TASEditForm d(model.LanguageTable);
    d.EditedEntry = ZeroEntry();
    d.EditedEntry.Kind = KindIni;
    bool keyEnabled = true;
    ui::SetModalRunner([&](ui::ModalForm&) {
        keyEnabled = d.KeyEdit.Enabled();
        return int(ui::mrCancel);
    });
    d.ShowModal();
    EXPECT_FALSE(keyEnabled);
}

TEST_F(EntryCommandsTest, DeletingAsksThenRescansAndCancelKeepsTheValue) {
    TMainForm& f = Open();
    f.AutostartPage().ASWriteProtectChk.Click();
    Select("QvCmdB");
    ASSERT_TRUE(f.AutostartPage().ASDelBtn.Enabled());
    dialogs.QueueAnswer(MsgResult::Cancel);
    f.AutostartPage().ASDelBtn.Click();
    ui::ProcessMessages(form.get());
    EXPECT_TRUE(test::RegValueExists(HKEY_CURRENT_USER, kRun, "QvCmdB"));
    EXPECT_GE(RowOf("QvCmdB"), 0);

    Select("QvCmdB");
    dialogs.QueueAnswer(MsgResult::Ok);
    f.AutostartPage().ASDelBtn.Click();
    ui::ProcessMessages(form.get());
    EXPECT_FALSE(test::RegValueExists(HKEY_CURRENT_USER, kRun, "QvCmdB"));
    EXPECT_EQ(RowOf("QvCmdB"), -1) << "rescanned";
    EXPECT_GE(RowOf("QvCmdA"), 0);
    EXPECT_EQ(UndoOnlyChange(), UndoResult::Undone);
    EXPECT_EQ(test::RegGetString(HKEY_CURRENT_USER, kRun, "QvCmdB"), "c:\\b.exe");
}

// ---- The history window -------------------------------------------------------------

// Opens the history window from its button and runs `drive` on it.
void DriveHistory(TMainForm& f, const std::function<void(THistoryForm&)>& drive) {
    bool shown = false;
    ui::SetModalRunner([&](ui::ModalForm& m) {
        auto& d = dynamic_cast<THistoryForm&>(m);
        shown = true;
        drive(d);
        return d.ModalResult;
    });
    f.AutostartPage().HistoryBtn.Click();
    ui::ProcessMessages(&f);
    EXPECT_TRUE(shown);
}

TEST_F(EntryCommandsTest, HistoryWindowUndoesTheSelectedChangesNewestFirstAndSaysWhatItRefused) {
    test::WorkingDirectory cwd(dir.Path()); // aseinactive.dat goes there
    TMainForm& f = Open();
    TAutostartPage& page = f.AutostartPage();
    page.ASWriteProtectChk.Click();
    Select("QvCmdB");
    dialogs.QueueAnswer(MsgResult::Ok);
    page.ASDelBtn.Click();
    ui::ProcessMessages(form.get());
    Select("QvCmdA");
    PickMenu(page.AddEntryToDBBtn, 2);
    ASSERT_EQ(model.ASEntryDB.size(), 1u);
    ASSERT_TRUE(SetEntryActiveRecorded(model, page.ASListIndex[size_t(RowOf("QvCmdA"))], false));
    ChangeRecord ended;
    ended.kind = ChangeKind::ProcessEnded;
    ended.caption = "tool.exe";
    ASSERT_EQ(RecordChange(dir.Path(), ended), HistoryFault::None);
    const LanguageFile& lines = model.LanguageTable;

    std::string refusal;
    DriveHistory(f, [&](THistoryForm& d) {
        ASSERT_EQ(d.HistoryList.Count(), 4);
        const Lng newestFirst[] = {Lng::HistoryKindProcessEnded, Lng::HistoryKindDeactivate,
                                   Lng::HistoryKindKnownAdd, Lng::HistoryKindDelete};
        for (int r = 0; r < 4; ++r)
            EXPECT_EQ(d.HistoryList.ItemText(r, 1), lines[newestFirst[r]]) << r;
        EXPECT_EQ(d.HistoryList.ItemText(3, 3),
                  "HKEY_CURRENT_USER\\" + std::string(kRun) + "\\QvCmdB");
        EXPECT_EQ(d.HistoryLbl.Caption(), lines[Lng::HistoryLimits]);
        // The undo follows the selection, however it changes: one row (as
        // the keyboard selects), none, all, and the list filled anew.
        struct Step {
            int row;
            UINT state;
            bool enabled;
        } steps[] = {{0, LVIS_SELECTED, true}, {-1, 0, false}, {-1, LVIS_SELECTED, true}};
        for (const Step& step : steps) {
            ListView_SetItemState(d.HistoryList.Handle(), step.row, step.state, LVIS_SELECTED);
            EXPECT_EQ(d.UndoBtn.Enabled(), step.enabled) << step.row << step.state;
        }
        dialogs.Clear();
        d.UndoBtn.Click();
        EXPECT_FALSE(d.UndoBtn.Enabled()) << "nothing is selected after the undo";
        if (!dialogs.Messages().empty()) refusal = dialogs.Messages()[0].text;
        EXPECT_EQ(d.HistoryList.Count(), 7) << "each undo is a change of its own";
        ::SendMessageW(d.Handle(), WM_COMMAND, IDCANCEL, 0); // what Esc sends
        EXPECT_EQ(d.ModalResult, ui::mrCancel);
    });
    EXPECT_EQ(refusal, lines.Format(Lng::HistoryCannotUndo, {"tool.exe"}));
    EXPECT_EQ(test::RegGetString(HKEY_CURRENT_USER, kRun, "QvCmdA"), "c:\\a.exe");
    EXPECT_EQ(test::RegGetString(HKEY_CURRENT_USER, kRun, "QvCmdB"), "c:\\b.exe");
    EXPECT_FALSE(FileExists(dir / "asedb.dat")) << "it did not exist before the add";
    EXPECT_EQ(model.ASEntryDB.size(), 0u);
    EXPECT_GE(RowOf("QvCmdB"), 0) << "rescanned";
    EXPECT_EQ(test::ReadBytes(dir / "aseinactive.dat"), "");
}

TEST_F(EntryCommandsTest, HistoryWindowSaysWhatTheLimitDroppedAndRefusesADamagedFile) {
    ChangeHistory full;
    std::vector<std::string> dropped;
    for (size_t i = 0; i <= kHistoryMaxRecords; ++i) {
        ChangeRecord r;
        r.kind = ChangeKind::ProcessEnded;
        r.time = i == 0 ? "2026-01-02 03:04:05" : "2026-02-03 04:05:06";
        full.Append(r, dropped);
    }
    test::WriteBytes(HistoryPath(dir.Path()), full.Write());
    TMainForm& f = Open();
    const LanguageFile& lines = model.LanguageTable;
    DriveHistory(f, [&](THistoryForm& d) {
        EXPECT_EQ(d.HistoryList.Count(), int(kHistoryMaxRecords));
        EXPECT_EQ(d.HistoryLbl.Caption(),
                  lines[Lng::HistoryLimits] + " " +
                      lines.Format(Lng::HistoryDropped, {"1", "0", "2026-01-02 03:04:05"}));
    });

    // Torn: the END line is missing. Shown as refused, and a change made
    // meanwhile does not write over it.
    const std::string torn = full.Write().substr(0, full.Write().rfind("END"));
    test::WriteBytes(HistoryPath(dir.Path()), torn);
    f.AutostartPage().ASWriteProtectChk.Click();
    Select("QvCmdB");
    dialogs.QueueAnswer(MsgResult::Ok);
    f.AutostartPage().ASDelBtn.Click();
    ui::ProcessMessages(form.get());
    EXPECT_FALSE(test::RegValueExists(HKEY_CURRENT_USER, kRun, "QvCmdB")) << "the change stands";
    EXPECT_EQ(test::ReadBytes(HistoryPath(dir.Path())), torn);
    DriveHistory(f, [&](THistoryForm& d) {
        EXPECT_EQ(d.HistoryList.Count(), 0);
        EXPECT_EQ(d.HistoryLbl.Caption(),
                  lines.Format(Lng::HistoryFileRefused, {HistoryPath(dir.Path())}));
        EXPECT_FALSE(d.UndoBtn.Enabled());
    });
}

// A window with the guard's title that records what it is sent.
struct DecoyGuard {
    static inline std::vector<UINT> received;
    HWND hwnd = nullptr;
    DecoyGuard() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
            if (m >= WM_USER) received.push_back(m);
            return ::DefWindowProcW(h, m, w, l);
        };
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"QvDecoyGuard";
        ::RegisterClassW(&wc);
        hwnd = ::CreateWindowW(L"QvDecoyGuard", L"Quorvik 6 Guard", WS_OVERLAPPED, 0, 0, 10, 10,
                               nullptr, nullptr, wc.hInstance, nullptr);
        received.clear();
    }
    ~DecoyGuard() { ::DestroyWindow(hwnd); }
};

TEST_F(EntryCommandsTest, GuardIsToldOfAnEditButOfDatabaseChangesOnlyWhenItRuns) {
    TMainForm& f = Open();
    DecoyGuard guard;
    // No guard process in this folder: the database change is not announced.
    PickMenu(f.AutostartPage().AddEntryToDBBtn, 1);
    ui::ProcessMessages(form.get());
    EXPECT_TRUE(DecoyGuard::received.empty());

    f.AutostartPage().ASWriteProtectChk.Click();
    Select("QvCmdA");
    ui::SetModalRunner([&](ui::ModalForm& m) {
        dynamic_cast<TASEditForm&>(m).OkBtn.Click();
        return m.ModalResult;
    });
    f.AutostartPage().ASEditBtn.Click();
    ui::ProcessMessages(form.get());
    EXPECT_EQ(DecoyGuard::received, std::vector<UINT>{3027});
}

class TextEditorTest : public test::ModelTest {
  protected:
    void SetUp() override {
        model.LanguageTable.LoadFromBytes(test::ReadBytes(ExecutableDir() + "qv6.lng"));
        file = dir / "winstart.bat";
    }
    void TearDown() override { ui::SetModalRunner({}); }
    // Types text at the end of the memo as a user would.
    static void Type(ui::Memo& memo, const std::wstring& text) {
        for (wchar_t c : text)
            ::SendMessageW(memo.Handle(), WM_CHAR, c, 0);
    }
    test::TempDir dir;
    test::ScriptedDialogs dialogs;
    std::string file;
};

TEST_F(TextEditorTest, LockedAtFirstUnlockedByTheCheckBoxAndSavedWithCRLF) {
    test::WriteBytes(file, "@echo off\nrem zwei\n");
    SetAttributes(file, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    TTextfileEditForm form(model.LanguageTable);
    form.EditFileName = file;
    bool lockedAtFirst = false, unlocked = false, relocked = true;
    std::string caption;
    ui::SetModalRunner([&](ui::ModalForm&) {
        lockedAtFirst = !form.EditMemo.Enabled();
        wchar_t buf[512] = {};
        ::GetWindowTextW(form.Handle(), buf, 512);
        caption = FromWide(buf);
        form.WriteProtectChk.Click();
        unlocked = form.EditMemo.Enabled();
        Type(form.EditMemo, L"x");
        form.WriteProtectChk.Click();
        relocked = form.EditMemo.Enabled();
        form.SaveBtn.Click();
        form.CloseBtn.Click();
        return form.ModalResult;
    });
    form.ShowModal();
    EXPECT_TRUE(lockedAtFirst);
    EXPECT_TRUE(unlocked);
    EXPECT_FALSE(relocked);
    EXPECT_EQ(caption, model.LanguageTable.Format(LineAt(63), {file}));
    // Typed at the caret, which stands at the start; LF became CR LF.
    EXPECT_EQ(test::ReadBytes(file), "x@echo off\r\nrem zwei\r\n");
    EXPECT_EQ(GetAttributes(file), DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_TRUE(dialogs.Messages().empty()) << "saved: closing does not ask";
    SetAttributes(file, FILE_ATTRIBUTE_NORMAL);
}

TEST_F(TextEditorTest, ClosingAfterAChangeAsksCancelKeepsNoDiscardsYesSaves) {
    test::WriteBytes(file, "a\r\n");
    for (MsgResult answer : {MsgResult::Cancel, MsgResult::No, MsgResult::Yes}) {
        TTextfileEditForm form(model.LanguageTable);
        form.EditFileName = file;
        bool stillOpen = false;
        ui::SetModalRunner([&](ui::ModalForm&) {
            form.WriteProtectChk.Click();
            Type(form.EditMemo, L"b");
            dialogs.QueueAnswer(answer);
            form.CloseBtn.Click();
            stillOpen = form.ModalResult == ui::mrNone;
            if (stillOpen) form.EndModal(ui::mrCancel);
            return form.ModalResult;
        });
        form.ShowModal();
        ASSERT_FALSE(dialogs.Messages().empty());
        EXPECT_EQ(dialogs.Messages().back().text, model.LanguageTable[LineAt(62)]);
        EXPECT_EQ(stillOpen, answer == MsgResult::Cancel);
        if (answer == MsgResult::Yes)
            EXPECT_NE(test::ReadBytes(file), "a\r\n");
        else
            EXPECT_EQ(test::ReadBytes(file), "a\r\n");
    }
}

TEST_F(TextEditorTest, EscapeAsksLikeTheCloseButtonAndEnterSavesTheEditDialog) {
    test::WriteBytes(file, "a\r\n");
    TTextfileEditForm form(model.LanguageTable);
    form.EditFileName = file;
    bool stillOpen = false;
    ui::SetModalRunner([&](ui::ModalForm&) {
        form.WriteProtectChk.Click();
        Type(form.EditMemo, L"b");
        dialogs.QueueAnswer(MsgResult::Cancel);
        ::SendMessageW(form.Handle(), WM_COMMAND, IDCANCEL, 0);
        stillOpen = form.ModalResult == ui::mrNone;
        form.EndModal(ui::mrCancel);
        return form.ModalResult;
    });
    form.ShowModal();
    EXPECT_TRUE(stillOpen) << "Escape with a change asks, and Cancel keeps the window";
    ASSERT_EQ(dialogs.Messages().size(), 1u);

    TASEditForm edit(model.LanguageTable);
    edit.EditedEntry = ZeroEntry();
    int result = -1;
    ui::SetModalRunner([&](ui::ModalForm&) {
        ::SendMessageW(edit.Handle(), WM_COMMAND, IDOK, 0);
        result = edit.ModalResult;
        return result;
    });
    edit.ShowModal();
    EXPECT_EQ(result, ui::mrOk);
}

TEST_F(TextEditorTest, ASaveThatFailsLeavesNoCopyInTheHistorysFolder) {
    test::WriteBytes(file, "a\r\n");
    SetAttributes(file, FILE_ATTRIBUTE_READONLY);
    test::TempDir app;
    TTextfileEditForm form(model.LanguageTable);
    form.EditFileName = file;
    form.HistoryDir = app.Path();
    ui::SetModalRunner([&](ui::ModalForm&) {
        form.WriteProtectChk.Click();
        Type(form.EditMemo, L"b");
        form.SaveBtn.Click(); // the save throws after the copy was taken
        return int(ui::mrCancel);
    });
    form.ShowModal();
    SetAttributes(file, FILE_ATTRIBUTE_NORMAL);
    ASSERT_EQ(dialogs.Messages().size(), 1u);
    EXPECT_EQ(test::ReadBytes(file), "a\r\n");
    EXPECT_TRUE(test::FilesIn(HistoryCopiesFolder(app.Path())).empty());
    EXPECT_TRUE(LoadHistory(app.Path()).history.records.empty());
}

TEST_F(TextEditorTest, AnUnreadableFileOpensEmptyWithTheFirstCaption) {
    TTextfileEditForm form(model.LanguageTable);
    form.EditFileName = dir / "missing.bat";
    std::vector<std::string> lines{"?"};
    ui::SetModalRunner([&](ui::ModalForm&) {
        lines = form.EditMemo.Lines();
        return int(ui::mrCancel);
    });
    form.ShowModal();
    EXPECT_TRUE(lines.empty());
    ASSERT_EQ(dialogs.Messages().size(), 1u);
    EXPECT_EQ(dialogs.Messages()[0].kind, MsgKind::Error);
}

} // namespace
} // namespace qv
