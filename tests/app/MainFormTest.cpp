// The main window created in-process against a folder of its own, driven
// through its real controls.
#include "model/AppModel.h"
#include "support/Model.h"
#include "app/MainUnit.h"
#include "database/KnownEntries.h"
#include "base/Files.h"
#include "support/Entries.h"
#include "support/TestSupport.h"
#include "app/AutostartPage.h"
#include "support/Signing.h"

#include <gtest/gtest.h>

#include <memory>

namespace qv {
namespace {

using test::MakeEntry;

class MainFormTest : public test::ModelTest {
  protected:
    void SetUp() override {
        lng_ = test::ReadBytes(ExecutableDir() + "qv6.lng");
        ASSERT_NE(lng_, "<missing>");
    }
    void TearDown() override { form.reset(); }

    // Hidden unless asked: under a display without a window manager, Wine
    // waits two seconds for every shown window to be unmapped again.
    TMainForm& Open(const std::string& lng, bool show = false) {
        test::WriteBytes(dir / "qv6.lng", lng);
        form = std::make_unique<TMainForm>(model);
        form->OpenDocument = [this](const std::string& p) { opened.push_back(p); };
        EXPECT_TRUE(form->Create(dir.Path(), show));
        Pump();
        return *form;
    }
    TMainForm& Open(bool show = false) { return Open(lng_, show); }
    void Pump() { ui::ProcessMessages(form.get()); }

    // As the user picks a group: the combo box's selection changes and it
    // tells its parent.
    void PickGroup(int group) {
        HWND combo = form->AutostartPage().SelectASGroupCombo.Handle();
        form->AutostartPage().SelectASGroupCombo.SetItemIndex(group);
        ::SendMessageW(::GetParent(combo), WM_COMMAND,
                       MAKEWPARAM(::GetDlgCtrlID(combo), CBN_SELCHANGE), (LPARAM)combo);
        Pump();
    }
    // A left click in the middle of a row (not on its check box).
    void ClickRow(int row) {
        RECT r = form->AutostartPage().ASList.ItemRect(row);
        LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        ::PostMessageW(form->AutostartPage().ASList.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::PostMessageW(form->AutostartPage().ASList.Handle(), WM_LBUTTONUP, 0, at);
        Pump();
    }
    // A click on a tab of the tab control.
    void ClickTab(int index) {
        RECT r{};
        TabCtrl_GetItemRect(form->Tab.Handle(), index, &r);
        LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        ::PostMessageW(form->Tab.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::PostMessageW(form->Tab.Handle(), WM_LBUTTONUP, 0, at);
        Pump();
    }
    void Click(ui::Control& c) {
        ::SendMessageW(c.Handle(), BM_CLICK, 0, 0);
        Pump();
    }
    // The page panel that lies in front of the others.
    std::string FrontPage() {
        for (HWND h = ::GetWindow(form->Tab.Handle(), GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT))
            for (ui::Panel* p : {&form->PagePnl0, &form->PagePnl1, &form->PagePnl2})
                if (p->Handle() == h) return p->Name();
        return {};
    }
    std::vector<bool> EntryButtons() {
        return {form->AutostartPage().ASEditBtn.Enabled(),
                form->AutostartPage().ASEditorBtn.Enabled(),
                form->AutostartPage().ASDelBtn.Enabled()};
    }

    test::TempDir dir;
    test::ScriptedDialogs dialogs;
    std::unique_ptr<TMainForm> form;
    std::vector<std::string> opened;
    std::string lng_;
};

TEST_F(MainFormTest, MissingLanguageFileShowsTheEnglishMessageAndCreatesNothing) {
    model.ASEntries.push_back(MakeEntry(0, KindRegistry, "untouched", ""));
    TMainForm f(model);
    EXPECT_FALSE(f.Create(dir.Path()));
    ASSERT_EQ(dialogs.Messages().size(), 1u);
    const MessageRequest& m = dialogs.Messages()[0];
    EXPECT_EQ(m.text, "Language file not found. Please reinstall Quorvik 6!");
    EXPECT_EQ(m.kind, MsgKind::Error);
    EXPECT_EQ(m.buttons, unsigned(BtnOk));
    EXPECT_EQ(f.Handle(), nullptr);
    EXPECT_EQ(::FindWindowW(L"TMainForm", nullptr), nullptr);
    // Nothing was scanned, backed up or loaded.
    ASSERT_EQ(model.ASEntries.size(), 1u);
    EXPECT_FALSE(DirectoryExists(dir / "backup"));
    EXPECT_EQ(model.AppDir, dir.Path());
}

TEST_F(MainFormTest, StartUpShowsTheAutostartPageForGroupZero) {
    // A known entry on disk: the database is loaded during start-up.
    test::WriteBytes(dir / "asedb.dat",
                     EncodeRecords({MakeEntry(0, KindRegistry, "Known", "k.exe")}));
    TMainForm& f = Open(true);
    EXPECT_TRUE(::IsWindowVisible(f.Handle()));
    wchar_t title[64] = {};
    ::GetWindowTextW(f.Handle(), title, 64);
    EXPECT_STREQ(title, L"Quorvik 6");
    EXPECT_EQ(model.AppDir, dir.Path());
    EXPECT_EQ(model.ASEntryDB.size(), 1u);
    EXPECT_TRUE(DirectoryExists(dir / "backup"));

    ASSERT_EQ(f.AutostartPage().SelectASGroupCombo.Count(), kGroupCount);
    for (int i = 0; i < kGroupCount; ++i)
        EXPECT_EQ(f.AutostartPage().SelectASGroupCombo.Item(i),
                  model.LanguageTable[GroupName(GroupOfByte(static_cast<uint8_t>(i)))]);
    // The later groups' names follow the nine, from their own lines.
    EXPECT_EQ(f.AutostartPage().SelectASGroupCombo.Item(13), model.LanguageTable[LineAt(189)]);
    EXPECT_EQ(f.AutostartPage().SelectASGroupCombo.ItemIndex(), 0);
    EXPECT_EQ(f.Tab.TabIndex(), 0);
    EXPECT_EQ(FrontPage(), "PagePnl0");
    // The page was made and filled out of sight, and is shown now.
    EXPECT_TRUE(::IsWindowVisible(f.AutostartPage().ASList.Handle()));
    EXPECT_TRUE(f.AutostartPage().ASWriteProtectChk.Checked());
    EXPECT_EQ(EntryButtons(), (std::vector<bool>{false, false, false}));
    EXPECT_EQ(
        f.AutostartPage().ASListBox.Caption(),
        model.LanguageTable.Format(LineAt(25), {std::to_string(f.AutostartPage().ASList.Count())}));
    EXPECT_EQ(f.AutostartPage().ASEIconList.Count(), 2);
    EXPECT_EQ(f.AutostartPage().ASList.ColumnCount(), 3); // caption, detail, publisher
    EXPECT_EQ(f.AutostartPage().ASRefreshBtn.Tag, 999);
    EXPECT_TRUE(f.StatusLbl.Caption().empty());

    // The umlauts of the cp1252 file reach the Unicode controls intact.
    wchar_t text[32] = {};
    ::GetWindowTextW(f.AutostartPage().ASEditBtn.Handle(), text, 32);
    EXPECT_STREQ(text, L"\u00C4ndern");
    ::GetWindowTextW(f.QVGuardBtn.Handle(), text, 32);
    EXPECT_STREQ(text, L"Quorvik W\u00E4chter");
}

TEST_F(MainFormTest, LanguageLinesGoOntoTheirControls) {
    TMainForm& f = Open(test::NumberedLanguageFile());
    auto line = [](int n) { return "Zeile " + std::to_string(n); };
    struct Expect {
        ui::Control* c;
        int caption, hint;
    };
    for (const Expect& e : {Expect{&f.QVGuardBtn, 77, 78}, Expect{&f.HelpBtn, 79, 80},
                            Expect{&f.AutostartPage().ASRefreshBtn, 81, 82},
                            Expect{&f.AutostartPage().ASWriteProtectChk, 88, 89},
                            Expect{&f.AutostartPage().ASEditBtn, 90, 91},
                            Expect{&f.AutostartPage().ASEditorBtn, 92, 93},
                            Expect{&f.AutostartPage().ASDelBtn, 94, 95},
                            Expect{&f.AutostartPage().AddEntryToDBBtn, 96, 97},
                            Expect{&f.AutostartPage().DelEntryFromDBBtn, 98, 99},
                            Expect{&f.AutostartPage().ReportBtn, 102, 103}}) {
        EXPECT_EQ(e.c->Caption(), line(e.caption)) << e.c->Name();
        EXPECT_EQ(e.c->Hint(), line(e.hint)) << e.c->Name();
    }
    EXPECT_EQ(f.AutostartPage().SelectASBox.Caption(), line(86));
    // Line 87 is replaced by the fill's line 25 (which holds no "%s" here).
    EXPECT_EQ(f.AutostartPage().ASListBox.Caption(), line(25));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(f.Tab.TabCaption(i), line(83 + i));
    for (ui::PopupMenu* m : {&f.AutostartPage().ASPM1, &f.AutostartPage().ASPM2}) {
        EXPECT_EQ(m->ItemCaption(0), line(100));
        EXPECT_EQ(m->ItemCaption(1), line(101));
    }
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(f.AutostartPage().SelectASGroupCombo.Item(i), line(i));
    // The window's own caption keeps its design-time text.
    wchar_t title[64] = {};
    ::GetWindowTextW(f.Handle(), title, 64);
    EXPECT_STREQ(title, L"Quorvik 6");
}

TEST_F(MainFormTest, APageIsMadeWhenItsTabIsFirstShown) {
    TMainForm& f = Open();
    EXPECT_TRUE(f.HasPage(TMainForm::AutostartPageIndex));
    for (int page : {TMainForm::ProcessPageIndex, TMainForm::InfoPageIndex}) {
        EXPECT_FALSE(f.HasPage(page)) << page;
        f.Tab.SetTabIndex(page);
        f.TabChange();
        EXPECT_TRUE(f.HasPage(page)) << page;
    }
}

TEST_F(MainFormTest, ChangesOfTheModelRefillTheShownListUntilTheWindowGoes) {
    TMainForm& f = Open();
    model.ASEntries = {MakeEntry(0, KindRegistry, "Neu", "n.exe"),
                       MakeEntry(3, KindRegistry, "VxD", "v.vxd"),
                       MakeEntry(0, KindRegistry, "Zweit", "z.exe")};
    model.Changed(ModelChange::Entries);
    ASSERT_EQ(f.AutostartPage().ASList.Count(), 2);
    EXPECT_EQ(f.AutostartPage().ASList.ItemText(1, 0), "Zweit");
    EXPECT_EQ(f.AutostartPage().ASList.ItemImage(1), 0);

    model.ASEntryDB = {model.ASEntries[2]};
    model.Changed(ModelChange::KnownEntries);
    EXPECT_EQ(f.AutostartPage().ASList.ItemImage(1), 1);

    // The page's subscription ends with it: telling the model afterwards
    // reaches no page that has gone.
    form.reset();
    model.Changed(ModelChange::Entries);
}

TEST_F(MainFormTest, PickingAGroupFillsTheListWithTextsChecksAndMarks) {
    TMainForm& f = Open();
    model.ASEntries = {MakeEntry(0, KindRegistry, "Tool", "c:\\tool.exe"),
                       MakeEntry(6, KindIni, "load",
                                 "c:\\l\xE4"
                                 "der.exe"),
                       MakeEntry(6, KindIni, "run", "c:\\run.exe"),
                       MakeEntry(6, KindIni, "shell", "Explorer.exe", 0)};
    AutostartEntry accepted = model.ASEntries[2];
    accepted.Active = 0;
    model.ASEntryDB = {accepted};

    PickGroup(6);
    ASSERT_EQ(f.AutostartPage().ASList.Count(), 3);
    EXPECT_EQ(f.AutostartPage().ASListIndex, (std::vector<uint16_t>{1, 2, 3}));
    EXPECT_EQ(f.AutostartPage().ASList.ItemText(0, 0), "load");
    EXPECT_EQ(f.AutostartPage().ASList.ItemText(0, 1), "c:\\l\xE4"
                                                       "der.exe");
    EXPECT_EQ(f.AutostartPage().ASList.ItemText(2, 0), "shell");
    EXPECT_TRUE(f.AutostartPage().ASList.Checked(0));
    EXPECT_TRUE(f.AutostartPage().ASList.Checked(1));
    EXPECT_FALSE(f.AutostartPage().ASList.Checked(2));
    EXPECT_EQ(f.AutostartPage().ASList.ItemImage(0), 0);
    EXPECT_EQ(f.AutostartPage().ASList.ItemImage(1), 1); // known whatever its Active
    EXPECT_EQ(f.AutostartPage().ASList.ItemImage(2), 0);
    EXPECT_EQ(f.AutostartPage().ASListBox.Caption(), model.LanguageTable.Format(LineAt(25), {"3"}));

    PickGroup(3);
    EXPECT_EQ(f.AutostartPage().ASList.Count(), 0);
    EXPECT_TRUE(f.AutostartPage().ASListIndex.empty());
    EXPECT_EQ(f.AutostartPage().ASListBox.Caption(), model.LanguageTable.Format(LineAt(25), {"0"}));
}

TEST_F(MainFormTest, ClickingRowsEnablesTheEntryButtonsByTheRule) {
    TMainForm& f = Open();
    model.ASEntries = {MakeEntry(1, KindRegistry, "exefile", "\"%1\" %*"),
                       MakeEntry(5, KindFile, "tool.lnk", "c:\\tool.exe"),
                       MakeEntry(6, KindIni, "shell", "Explorer.exe"),
                       MakeEntry(6, KindIni, "load", "old.exe", 0)};
    using V = std::vector<bool>; // edit, editor, delete

    PickGroup(6);
    ClickRow(0);
    EXPECT_EQ(f.AutostartPage().ASList.Selected(), 0);
    EXPECT_EQ(EntryButtons(), (V{false, false, false})); // write protection is on
    Click(f.AutostartPage().ASWriteProtectChk);
    EXPECT_FALSE(f.AutostartPage().ASWriteProtectChk.Checked());
    EXPECT_EQ(EntryButtons(), (V{true, true, true}));
    ClickRow(1); // deactivated
    EXPECT_EQ(f.AutostartPage().ASList.Selected(), 1);
    EXPECT_EQ(EntryButtons(), (V{false, false, false}));
    ClickRow(0);
    EXPECT_EQ(EntryButtons(), (V{true, true, true}));
    Click(f.AutostartPage().ASWriteProtectChk); // protection back on: all three off at once
    EXPECT_EQ(EntryButtons(), (V{false, false, false}));
    Click(f.AutostartPage().ASWriteProtectChk);

    PickGroup(1);
    EXPECT_EQ(EntryButtons(), (V{false, false, false})); // a refill selects nothing
    ClickRow(0);
    EXPECT_EQ(EntryButtons(), (V{true, false, false}));

    PickGroup(5);
    ClickRow(0);
    EXPECT_EQ(EntryButtons(), (V{false, false, true}));

    // A click below the last row changes nothing.
    RECT r = f.AutostartPage().ASList.ItemRect(0);
    LPARAM below = MAKELPARAM(r.left + 40, r.bottom + 60);
    ::PostMessageW(f.AutostartPage().ASList.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, below);
    ::PostMessageW(f.AutostartPage().ASList.Handle(), WM_LBUTTONUP, 0, below);
    Pump();
    EXPECT_EQ(EntryButtons(), (V{false, false, true}));
}

TEST_F(MainFormTest, AClickOnACheckBoxHasToggledItWhenTheMouseDownHandlerRuns) {
    TMainForm& f = Open();
    model.ASEntries = {MakeEntry(0, KindRegistry, "A", "a.exe"),
                       MakeEntry(0, KindRegistry, "B", "b.exe")};
    PickGroup(0);
    ASSERT_TRUE(f.AutostartPage().ASList.Checked(1));
    // What the deactivation will see: the row and its new check mark.
    std::vector<std::pair<int, bool>> seen;
    f.On(f.AutostartPage().ASList, ui::Event::MouseDown, [&](const ui::EventArgs& a) {
        int row = f.AutostartPage().ASList.RowAt(a.pt);
        seen.emplace_back(row, row >= 0 && f.AutostartPage().ASList.Checked(row));
        f.AutostartPage().ASListMouseDown(a);
    });
    RECT icon{};
    icon.left = LVIR_ICON;
    ::SendMessageW(f.AutostartPage().ASList.Handle(), LVM_GETITEMRECT, 1, (LPARAM)&icon);
    // The check box sits left of the row's image.
    LPARAM box = MAKELPARAM(icon.left - 8, (icon.top + icon.bottom) / 2);
    ::PostMessageW(f.AutostartPage().ASList.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, box);
    ::PostMessageW(f.AutostartPage().ASList.Handle(), WM_LBUTTONUP, 0, box);
    Pump();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], (std::pair<int, bool>{1, false}));
    EXPECT_EQ(f.AutostartPage().ASList.Selected(), 1);
}

TEST_F(MainFormTest, RefreshButtonRescansButAPageSwitchDoesNot) {
    TMainForm& f = Open();
    // An entry no source holds: it survives only as long as nothing rescans.
    model.ASEntries = {MakeEntry(0, KindRegistry, "QvSentinelNotInRegistry", "x.exe")};
    PickGroup(0);
    ASSERT_EQ(f.AutostartPage().ASList.Count(), 1);

    ClickTab(1);
    EXPECT_EQ(f.Tab.TabIndex(), 1);
    EXPECT_EQ(FrontPage(), "PagePnl1");
    ClickTab(2);
    EXPECT_EQ(FrontPage(), "PagePnl2");
    ClickTab(0);
    EXPECT_EQ(FrontPage(), "PagePnl0");
    ASSERT_EQ(model.ASEntries.size(), 1u);
    EXPECT_EQ(f.AutostartPage().ASList.Count(), 1);

    Click(f.AutostartPage().ASRefreshBtn);
    for (const auto& e : model.ASEntries)
        EXPECT_NE(e.Caption.str(), "QvSentinelNotInRegistry");
    EXPECT_EQ(f.AutostartPage().ASList.Count(),
              static_cast<int>(f.AutostartPage().ASListIndex.size()));
    EXPECT_EQ(FrontPage(), "PagePnl0");
}

TEST_F(MainFormTest, WithNoEntriesEverySwitchToTheAutostartPageRescans) {
    TMainForm& f = Open();
    model.ASEntries.clear();
    // A row the list would lose on a refill.
    int before = f.AutostartPage().ASList.Count();
    f.AutostartPage().ASList.AddItem("stale", "", true, 0);
    ClickTab(1);
    EXPECT_EQ(f.AutostartPage().ASList.Count(), before + 1);
    ClickTab(0);
    // Rescanned and refilled for group 0, whatever the prefix holds.
    int group0 = 0;
    for (const auto& e : model.ASEntries)
        group0 += e.Group == 0;
    EXPECT_EQ(f.AutostartPage().ASList.Count(), group0);
    EXPECT_EQ(static_cast<int>(f.AutostartPage().ASListIndex.size()), group0);
    for (int r = 0; r < f.AutostartPage().ASList.Count(); ++r)
        EXPECT_NE(f.AutostartPage().ASList.ItemText(r, 0), "stale");
}

TEST_F(MainFormTest, ResizingKeepsCentredEqualAndFlushRight) {
    TMainForm& f = Open();
    for (auto [w, h] : {std::pair{653, 558}, std::pair{960, 700}, std::pair{700, 600}}) {
        f.SetSize(w, h);
        Pump();
        EXPECT_EQ(f.AdImg.Left(), f.AdTopPnl.ClientWidth() / 2 - 468 / 2) << w;
        EXPECT_EQ(f.AdImg.Width(), 468);
        EXPECT_EQ(f.AutostartPage().SelectASGroupCombo.Width(),
                  f.AutostartPage().SelectASBox.ClientWidth() - 8)
            << w;
        // Caption, detail and publisher: three equal columns.
        EXPECT_EQ(f.AutostartPage().ASList.ColumnWidth(0),
                  f.AutostartPage().ASList.ClientWidth() / 3)
            << w;
        EXPECT_EQ(f.AutostartPage().ASList.ColumnWidth(1), f.AutostartPage().ASList.ColumnWidth(0))
            << w;
        EXPECT_EQ(f.AutostartPage().ASList.ColumnWidth(2), f.AutostartPage().ASList.ColumnWidth(0))
            << w;
        EXPECT_EQ(f.QVGuardBtn.Left() + f.QVGuardBtn.Width(), f.BottomPnl.ClientWidth()) << w;
        EXPECT_EQ(f.QVGuardLbl.Left() + f.QVGuardLbl.Width(), f.BottomPnl.ClientWidth()) << w;
        EXPECT_EQ(f.HelpBtn.Left() + f.HelpBtn.Width(), f.Tab.ClientWidth()) << w;
        // The strips keep their heights and the page its button column.
        EXPECT_EQ(f.AdTopPnl.Height(), 81);
        EXPECT_EQ(f.BottomPnl.Height(), 53);
        EXPECT_EQ(f.AutostartPage().Page0MenuPnl.Width(), 148);
        EXPECT_EQ(f.PagePnl0.Width(), f.PagePnl2.Width());
    }
}

TEST_F(MainFormTest, F1AndTheHelpButtonOpenTheManual) {
    TMainForm& f = Open();
    std::string manual = dir.Path() + "Hilfe/handbuch.html";
    Click(f.HelpBtn);
    ASSERT_EQ(opened, std::vector<std::string>{manual});
    // F1 while the list has the focus: the form sees the key first.
    ::SetFocus(f.AutostartPage().ASList.Handle());
    ::PostMessageW(f.AutostartPage().ASList.Handle(), WM_KEYDOWN, VK_F1, 0);
    Pump();
    EXPECT_EQ(opened, (std::vector<std::string>{manual, manual}));
    // Other keys do nothing.
    ::PostMessageW(f.AutostartPage().SelectASGroupCombo.Handle(), WM_KEYDOWN, VK_F2, 0);
    Pump();
    EXPECT_EQ(opened.size(), 2u);
    // The manual's absence is not reported.
    EXPECT_TRUE(dialogs.Messages().empty());
}

TEST_F(MainFormTest, StatusLineShowsTheText) {
    TMainForm& f = Open();
    f.Status("Prozesse werden beendet \xE4");
    EXPECT_EQ(f.StatusLbl.Caption(), "Prozesse werden beendet \xE4");
    f.Status("");
    EXPECT_EQ(f.StatusLbl.Caption(), "");
}

class PublisherColumnTest : public MainFormTest {
  protected:
    void SetUp() override {
        MainFormTest::SetUp();
        model.Signatures = std::make_unique<SignatureVerifier>(platform);
        using S = SignatureState;
        platform.fixedStamp = true;
        platform.verdicts = {
            {"C:\\W\\win.exe", {S::Signed, "Microsoft Windows"}},
            {"C:\\W\\cat.exe", {S::SignedByCatalog, "Microsoft Windows Publisher"}},
            {"C:\\O\\office.exe", {S::Signed, "Microsoft Corporation"}},
            {"cmd.exe", {S::Signed, "Microsoft Windows"}},
            {"C:\\V\\drv.vxd", {S::Broken, ""}}};
    }
    TAutostartPage& Page() { return form->AutostartPage(); }
    // Until the worker is through and every verdict it handed over is shown.
    void WaitForVerdicts() {
        for (int i = 0; i < 2000 && Page().ASVerifyQueue().Busy(); ++i) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            Pump();
        }
        ASSERT_FALSE(Page().ASVerifyQueue().Busy());
        Pump();
    }
    std::vector<std::string> Column(int c) {
        std::vector<std::string> texts;
        for (int r = 0; r < Page().ASList.Count(); ++r)
            texts.push_back(Page().ASList.ItemText(r, c));
        return texts;
    }
    std::string Verdict(Lng line, const std::string& publisher = {}) {
        return publisher.empty() ? model.LanguageTable[line]
                                 : model.LanguageTable.Format(line, {publisher});
    }
    test::ScriptedSignatures platform;
};

TEST_F(PublisherColumnTest, TheColumnFillsAfterTheListAndTheSwitchHidesWindowsOwnRows) {
    Open();
    EXPECT_FALSE(Page().ASHideWindowsChk.Checked());
    model.ASEntries = {MakeEntry(0, KindRegistry, "Win", "C:\\W\\win.exe"),
                       MakeEntry(0, KindRegistry, "Cat", "\"C:\\W\\cat.exe\" /x"),
                       MakeEntry(0, KindRegistry, "Office", "C:\\O\\office.exe"),
                       MakeEntry(0, KindRegistry, "Plain", "C:\\P\\plain.exe"),
                       MakeEntry(0, KindRegistry, "Script", "cmd.exe /c x.bat"),
                       MakeEntry(3, KindRegistry, "VxD", "C:\\V\\drv.vxd")};
    const std::vector<std::string> texts = {
        Verdict(Lng::SignatureSigned, "Microsoft Windows"),
        Verdict(Lng::SignatureCatalog, "Microsoft Windows Publisher"),
        Verdict(Lng::SignatureSigned, "Microsoft Corporation"), Verdict(Lng::SignatureNotSigned),
        Verdict(Lng::SignatureSigned, "Microsoft Windows")};
    const std::string all = model.LanguageTable.Format(Lng::ASListBoxCaption, {"5"});
    const std::string hiding = model.LanguageTable.Format(Lng::ASListBoxCaptionHiding, {"3", "2"});
    model.Changed(ModelChange::Entries);
    // The rows are there before any verdict.
    EXPECT_EQ(Column(2), std::vector<std::string>(5, ""));
    WaitForVerdicts();
    EXPECT_EQ(Column(2), texts);
    EXPECT_EQ(Page().ASListBox.Caption(), all);

    // Ticked: the known verdicts hide Windows' rows at once; the script
    // host Windows signed and Microsoft's other products stay.
    Click(Page().ASHideWindowsChk);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"Office", "Plain", "Script"}));
    EXPECT_EQ(Page().ASListIndex, (std::vector<uint16_t>{2, 3, 4}));
    EXPECT_EQ(Page().ASListBox.Caption(), hiding);
    // Fresh entries: every row shows first, Windows' go as their verdicts come.
    model.Changed(ModelChange::Entries);
    EXPECT_EQ(Page().ASList.Count(), 5);
    WaitForVerdicts();
    EXPECT_EQ(Column(0), (std::vector<std::string>{"Office", "Plain", "Script"}));
    EXPECT_EQ(Page().HiddenRows, 2);
    EXPECT_EQ(Page().ASListBox.Caption(), hiding);
    PickGroup(3);
    WaitForVerdicts();
    EXPECT_EQ(Column(2), std::vector<std::string>{Verdict(Lng::SignatureBroken)});
    EXPECT_EQ(Page().ASListBox.Caption(),
              model.LanguageTable.Format(Lng::ASListBoxCaptionHiding, {"1", "0"}));

    PickGroup(0);
    Click(Page().ASHideWindowsChk);
    EXPECT_EQ(Column(2), texts);
    EXPECT_EQ(Page().ASListBox.Caption(), all);
}

// The start-up's batch waits until the window is idle: nothing is checked
// while the window is made, and the column fills once the queue is pumped.
TEST_F(PublisherColumnTest, TheStartUpsBatchWaitsUntilTheWindowIsIdle) {
    const char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    test::RegSetString(HKEY_CURRENT_USER, kRun, "QvHeldVerify", "C:\\W\\win.exe");
    test::WriteBytes(dir / "qv6.lng", lng_);
    form = std::make_unique<TMainForm>(model);
    ASSERT_TRUE(form->Create(dir.Path(), false));
    EXPECT_FALSE(Page().ASVerifyQueue().Busy());
    EXPECT_EQ(platform.checks, 0u);
    int row = -1;
    for (int r = 0; r < Page().ASList.Count(); ++r)
        if (Page().ASList.ItemText(r, 0) == "QvHeldVerify") row = r;
    ASSERT_GE(row, 0);
    EXPECT_EQ(Page().ASList.ItemText(row, 2), "");
    for (int i = 0; i < 2000 && platform.checks == 0; ++i) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        Pump();
    }
    WaitForVerdicts();
    EXPECT_EQ(Page().ASList.ItemText(row, 2), Verdict(Lng::SignatureSigned, "Microsoft Windows"));
    test::RegRemoveValue(HKEY_CURRENT_USER, kRun, "QvHeldVerify");
}

// The group changes while the second file of the first group is being
// checked: that batch stops there, none of its verdicts reaches the new
// group's rows, and the later files of the first group are never checked.
// The window going mid-way stops the worker too.
TEST_F(PublisherColumnTest, ChangingTheGroupOrClosingTheWindowCancelsTheWorkerMidWay) {
    platform.holdAt = {2, 5};
    Open();
    platform.queue = &Page().ASVerifyQueue();
    for (int i = 0; i < 4; ++i)
        model.ASEntries.push_back(MakeEntry(0, KindRegistry, "Win" + std::to_string(i),
                                            "C:\\W\\win" + std::to_string(i) + ".exe"));
    model.ASEntries.push_back(MakeEntry(3, KindRegistry, "VxD", "C:\\V\\drv.vxd"));
    model.ASEntries.push_back(MakeEntry(3, KindRegistry, "Office", "C:\\O\\office.exe"));
    model.Changed(ModelChange::Entries);
    ASSERT_TRUE(platform.WaitUntilHeld(2));

    PickGroup(3);
    WaitForVerdicts();
    EXPECT_EQ(Column(2),
              (std::vector<std::string>{Verdict(Lng::SignatureBroken),
                                        Verdict(Lng::SignatureSigned, "Microsoft Corporation")}));
    EXPECT_EQ(platform.checks, 4u);

    // Back: the two files checked before come from the cache, the third is
    // held while the window goes.
    PickGroup(0);
    ASSERT_TRUE(platform.WaitUntilHeld(5));
    form.reset();
    EXPECT_EQ(platform.checks, 5u);
}

} // namespace
} // namespace qv
