// The main window's start-up parks again what its programs wrote back while
// no guard ran, after one question; and the switch on the autostart page.
#include "model/AppModel.h"
#include "support/Model.h"
#include "app/MainUnit.h"
#include "autostart/Inactive.h"
#include "autostart/Scanner.h"
#include "autostart/StickyPark.h"
#include "base/Files.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace qv {
namespace {

const char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

class StickyStart : public test::ModelTest {
  protected:
    void SetUp() override {
        cwd_ = std::make_unique<test::WorkingDirectory>(work.Path());
        ASSERT_TRUE(cwd_->Changed());
        test::WriteBytes(dir / "qv6.lng", test::NumberedLanguageFile());
        oldStartup_ = test::RegGetString(HKEY_CURRENT_USER, kFolders, "startup");
        test::RegSetString(HKEY_CURRENT_USER, kFolders, "startup",
                           startup.Path().substr(0, startup.Path().size() - 1));
        // Deactivated earlier, in a run of the program of its own.
        test::RegSetString(HKEY_CURRENT_USER, kRun, "QV6StickyStart", "c:\\one.exe");
        test::WriteBytes(file, "one");
        AppModel earlier;
        earlier.AppDir = dir.Path();
        ScanAutostarts(earlier, "");
        for (size_t i = 0; i < earlier.ASEntries.size(); ++i) {
            const AutostartEntry& e = earlier.ASEntries[i];
            if (e.ValueName.str() == "QV6StickyStart" || e.FileName.str() == file) {
                ASSERT_FALSE(OnEntryCheckMark(earlier, i, false).setCheck);
            }
        }
        ASSERT_FALSE(FileExists(file));
        // Written back while no guard ran.
        test::RegSetString(HKEY_CURRENT_USER, kRun, "QV6StickyStart", "c:\\two.exe");
        test::WriteBytes(file, "two");
    }
    void TearDown() override {
        form.reset();
        ::RegDeleteKeyValueA(HKEY_CURRENT_USER, kRun, "QV6StickyStart");
        test::RegSetString(HKEY_CURRENT_USER, kFolders, "startup", oldStartup_);
        cwd_.reset();
    }
    void Start(MsgResult answer) {
        dialogs.QueueAnswer(answer);
        form = std::make_unique<TMainForm>(model);
        ASSERT_TRUE(form->Create(dir.Path(), false));
        ui::ProcessMessages(form.get());
    }
    bool ValueThere() const {
        return test::RegValueExists(HKEY_CURRENT_USER, kRun, "QV6StickyStart");
    }

    test::TempDir dir, work, startup;
    const std::string file = startup / "Start.txt";
    test::ScriptedDialogs dialogs;
    std::unique_ptr<TMainForm> form;

  private:
    std::unique_ptr<test::WorkingDirectory> cwd_;
    std::string oldStartup_;
};

TEST_F(StickyStart, AsksOnceAndParksOnlyOnOk) {
    for (MsgResult answer : {MsgResult::Cancel, MsgResult::Ok}) {
        form.reset();
        dialogs.Clear();
        model.ASEntries.clear();
        Start(answer);
        ASSERT_EQ(dialogs.Messages().size(), 1u);
        const std::string& asked = dialogs.Messages()[0].text;
        const std::string line = "Zeile " + std::to_string(LineNumber(Lng::StickyReturnedQuestion));
        for (const std::string& named :
             {line, std::string("QV6StickyStart | c:\\two.exe"), std::string("Start.txt")})
            EXPECT_NE(asked.find(named), std::string::npos) << asked;
        const bool parked = answer == MsgResult::Ok;
        EXPECT_EQ(ValueThere(), !parked);
        EXPECT_EQ(FileExists(file), !parked);
    }
    // Both values are kept and shown unticked, the file's two versions too.
    size_t values = 0;
    for (const AutostartEntry& e : model.ASEntries)
        if (e.ValueName.str() == "QV6StickyStart") values += e.Active == 0 ? 1 : 100;
    EXPECT_EQ(values, 2u);
    EXPECT_EQ(test::FilesIn(InactiveFolder(dir.Path())).size(), 2u);
}

TEST_F(StickyStart, TheSwitchStopsKeepingTheSelectedEntryAway) {
    Start(MsgResult::Cancel);
    TAutostartPage& page = form->AutostartPage();
    page.SelectASGroupCombo.SetItemIndex(GroupByte(AutostartGroup::StartupFolders));
    page.SelectASGroupComboChange();
    int row = -1;
    for (size_t r = 0; r < page.ASListIndex.size(); ++r) {
        const AutostartEntry& e = model.ASEntries[page.ASListIndex[r]];
        if (e.FileName.str() == file && e.Active == 0) row = static_cast<int>(r);
    }
    ASSERT_GE(row, 0);
    EXPECT_FALSE(page.ASStopKeepingBtn.Enabled()); // nothing selected
    page.ASList.Select(row);
    page.ASListClick();
    ASSERT_TRUE(page.ASStopKeepingBtn.Enabled());
    page.ASStopKeepingBtnClick();
    EXPECT_FALSE(page.ASStopKeepingBtn.Enabled());
    EXPECT_FALSE(IsKeptAway(dir.Path(), model.ASEntries[page.ASListIndex[size_t(row)]]));

    // The next start asks about the value only, and leaves the file alone.
    form.reset();
    dialogs.Clear();
    model.ASEntries.clear();
    Start(MsgResult::Ok);
    ASSERT_EQ(dialogs.Messages().size(), 1u);
    EXPECT_EQ(dialogs.Messages()[0].text.find("Start.txt"), std::string::npos);
    EXPECT_FALSE(ValueThere());
    EXPECT_TRUE(FileExists(file));
}

} // namespace
} // namespace qv
