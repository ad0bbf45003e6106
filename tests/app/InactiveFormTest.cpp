// The check boxes of the autostart list, clicked on the real main window:
// unticking deactivates, ticking reactivates, group 1 and failures put the
// mark back with their message, and a click below the rows does nothing.
#include "model/AppModel.h"
#include "support/Model.h"
#include "app/MainUnit.h"
#include "autostart/Inactive.h"
#include "base/Files.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace qv {
namespace {

const std::string kKey = "Software\\qv6test\\InactiveForm";

class InactiveFormTest : public test::ModelTest {
  protected:
    void SetUp() override {
        cwd_ = std::make_unique<test::WorkingDirectory>(work.Path());
        ASSERT_TRUE(cwd_->Changed());
        test::WriteBytes(dir / "qv6.lng", test::NumberedLanguageFile());
        form = std::make_unique<TMainForm>(model);
        ASSERT_TRUE(form->Create(dir.Path(), false));
        Pump();
        dialogs.Clear();
    }
    void TearDown() override {
        form.reset();
        test::RegDeleteTree(HKEY_CURRENT_USER, kKey);
        cwd_.reset();
    }
    void Pump() { ui::ProcessMessages(form.get()); }

    // Shows exactly these entries, all of one group.
    void Show(std::vector<AutostartEntry> entries, int group) {
        model.ASEntries = std::move(entries);
        form->AutostartPage().SelectASGroupCombo.SetItemIndex(group);
        form->AutostartPage().SelectASGroupComboChange();
        Pump();
    }
    static AutostartEntry Value(const std::string& name, int group, uint8_t active = 1) {
        AutostartEntry e = ZeroEntry();
        e.Kind = KindRegistry;
        e.Group = static_cast<uint8_t>(group);
        e.Active = active;
        e.RootKey.assign(kRootCurrentUser);
        e.KeyPath.assign("\\" + kKey);
        e.ValueName.assign(name);
        e.ValueData.assign(name + ".exe");
        e.Caption.assign(name);
        return e;
    }
    void Press(LPARAM at) {
        ::PostMessageW(form->AutostartPage().ASList.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::PostMessageW(form->AutostartPage().ASList.Handle(), WM_LBUTTONUP, 0, at);
        Pump();
    }
    // A click on the row's check box, left of its image.
    void ClickBox(int row) {
        RECT icon{};
        icon.left = LVIR_ICON;
        ::SendMessageW(form->AutostartPage().ASList.Handle(), LVM_GETITEMRECT, row, (LPARAM)&icon);
        Press(MAKELPARAM(icon.left - 8, (icon.top + icon.bottom) / 2));
    }

    test::TempDir dir;
    test::TempDir work;
    test::ScriptedDialogs dialogs;
    std::unique_ptr<TMainForm> form;

  private:
    std::unique_ptr<test::WorkingDirectory> cwd_;
};

TEST_F(InactiveFormTest, UntickingAndTickingARowMovesTheValue) {
    test::RegSetString(HKEY_CURRENT_USER, kKey, "Tray", "Tray.exe");
    Show({Value("Other", 0), Value("Tray", 0)}, 0);
    ClickBox(1);
    EXPECT_FALSE(form->AutostartPage().ASList.Checked(1));
    EXPECT_EQ(form->AutostartPage().ASList.Selected(), 1);
    EXPECT_EQ(model.ASEntries[1].Active, 0);
    EXPECT_FALSE(test::RegValueExists(HKEY_CURRENT_USER, kKey, "Tray"));
    EXPECT_EQ(test::ReadBytes(work / kInactiveEntriesFile), EncodeRecords({model.ASEntries[1]}));
    EXPECT_TRUE(dialogs.Messages().empty());
    // A deactivated entry offers no editing.
    form->AutostartPage().ASWriteProtectChk.SetChecked(false);
    form->AutostartPage().ASListClick();
    EXPECT_FALSE(form->AutostartPage().ASDelBtn.Enabled());

    ClickBox(1);
    EXPECT_TRUE(form->AutostartPage().ASList.Checked(1));
    EXPECT_EQ(model.ASEntries[1].Active, 1);
    EXPECT_EQ(test::RegGetString(HKEY_CURRENT_USER, kKey, "Tray"), "Tray.exe");
    EXPECT_EQ(test::ReadBytes(work / kInactiveEntriesFile), "");
    EXPECT_TRUE(form->AutostartPage().ASDelBtn.Enabled()); // the buttons follow the new state
    EXPECT_TRUE(dialogs.Messages().empty());
}

TEST_F(InactiveFormTest, GroupOneIsTickedAgainWithLine30) {
    test::RegSetString(HKEY_CURRENT_USER, kKey, "exefile", "exefile.exe");
    Show({Value("exefile", 1)}, 1);
    ClickBox(0);
    EXPECT_TRUE(form->AutostartPage().ASList.Checked(0));
    EXPECT_EQ(model.ASEntries[0].Active, 1);
    EXPECT_TRUE(test::RegValueExists(HKEY_CURRENT_USER, kKey, "exefile"));
    ASSERT_EQ(dialogs.Messages().size(), 1u);
    EXPECT_EQ(dialogs.Messages()[0].text, "Zeile 30");
    EXPECT_FALSE(FileExists(work / kInactiveEntriesFile));
}

TEST_F(InactiveFormTest, AFailureSetsTheMarkBackWithLine26) {
    Show({Value("Missing", 0), Value("Kept", 0, 0)}, 0);
    ClickBox(0); // the value is not there to delete
    EXPECT_TRUE(form->AutostartPage().ASList.Checked(0));
    EXPECT_EQ(model.ASEntries[0].Active, 1);
    ASSERT_EQ(dialogs.Messages().size(), 1u);
    EXPECT_EQ(dialogs.Messages()[0].text, "Zeile 26");
    // Reactivation that fails leaves the row unticked.
    AutostartEntry broken = Value("Kept", 0, 0);
    broken.RootKey.assign("0");
    Show({broken}, 0);
    ClickBox(0);
    EXPECT_FALSE(form->AutostartPage().ASList.Checked(0));
    EXPECT_EQ(model.ASEntries[0].Active, 0);
    EXPECT_EQ(dialogs.Messages().size(), 2u);
}

TEST_F(InactiveFormTest, AClickBelowTheLastRowDoesNothing) {
    test::RegSetString(HKEY_CURRENT_USER, kKey, "A", "A.exe");
    Show({Value("A", 0)}, 0);
    RECT r = form->AutostartPage().ASList.ItemRect(0);
    Press(MAKELPARAM(8, r.bottom + 60));
    Press(MAKELPARAM(r.left + 40, r.bottom + 60));
    EXPECT_TRUE(form->AutostartPage().ASList.Checked(0));
    EXPECT_EQ(model.ASEntries[0].Active, 1);
    EXPECT_TRUE(test::RegValueExists(HKEY_CURRENT_USER, kKey, "A"));
    EXPECT_TRUE(dialogs.Messages().empty());
    EXPECT_FALSE(FileExists(work / kInactiveEntriesFile));
}

TEST_F(InactiveFormTest, TheSpaceBarTogglesLikeAClick) {
    test::RegSetString(HKEY_CURRENT_USER, kKey, "A", "A.exe");
    Show({Value("A", 0)}, 0);
    HWND list = form->AutostartPage().ASList.Handle();
    ListView_SetItemState(list, 0, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
    ::SetFocus(list);
    ::PostMessageW(list, WM_KEYDOWN, VK_SPACE, 0);
    ::PostMessageW(list, WM_KEYUP, VK_SPACE, 0);
    Pump();
    EXPECT_FALSE(form->AutostartPage().ASList.Checked(0));
    EXPECT_EQ(model.ASEntries[0].Active, 0);
    EXPECT_FALSE(test::RegValueExists(HKEY_CURRENT_USER, kKey, "A"));
    ::PostMessageW(list, WM_KEYDOWN, VK_SPACE, 0);
    ::PostMessageW(list, WM_KEYUP, VK_SPACE, 0);
    Pump();
    EXPECT_TRUE(form->AutostartPage().ASList.Checked(0));
    EXPECT_EQ(model.ASEntries[0].Active, 1);
    EXPECT_TRUE(test::RegValueExists(HKEY_CURRENT_USER, kKey, "A"));
}

TEST_F(InactiveFormTest, ARefusalForWantOfRightsOffersToStartAgainAsAdministrator) {
    // An image hijack: the system refuses the change, as it does for a user
    // who is no administrator.
    test::RegSetString(HKEY_CURRENT_USER, kKey, "Debugger", "Debugger.exe");
    Show({Value("Debugger", GroupByte(AutostartGroup::ImageHijacks))},
         GroupByte(AutostartGroup::ImageHijacks));
    test::KeyDenial denial(HKEY_CURRENT_USER, kKey, KEY_SET_VALUE);
    int restarts = 0;
    form->RestartElevated = [&] {
        ++restarts;
        return false; // not started: this one goes on
    };
    for (MsgResult answer : {MsgResult::Cancel, MsgResult::Ok}) {
        dialogs.Clear();
        dialogs.QueueAnswer(answer);
        ClickBox(0);
        ASSERT_EQ(dialogs.Messages().size(), 1u);
        EXPECT_EQ(dialogs.Messages()[0].text,
                  "Zeile " + std::to_string(LineNumber(Lng::NeedsAdminQuestion)));
        EXPECT_EQ(dialogs.Messages()[0].kind, MsgKind::Question);
        // Nothing half-changed: the mark, the entry and the value as before.
        EXPECT_TRUE(form->AutostartPage().ASList.Checked(0));
        EXPECT_EQ(model.ASEntries[0].Active, 1);
        EXPECT_EQ(test::RegGetString(HKEY_CURRENT_USER, kKey, "Debugger"), "Debugger.exe");
        EXPECT_TRUE(test::FilesIn(InactiveFolder(dir.Path())).empty());
    }
    EXPECT_EQ(restarts, 1);
    EXPECT_TRUE(::IsWindow(form->Handle()));
    EXPECT_FALSE(FileExists(work / kInactiveEntriesFile));
}

} // namespace
} // namespace qv
