// The main window against autostart points seeded in the test prefix: what
// the scanner finds in the registry reaches the list, marked by the database
// that start-up loaded before the first fill.
#include "model/AppModel.h"
#include "support/Model.h"
#include "app/MainUnit.h"
#include "database/KnownEntries.h"
#include "autostart/AutostartEntry.h"
#include "base/Files.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace qv {
namespace {

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kValue[] = "QvUiSeededRun";
const char kData[] = "\"C:\\Programme\\Gepr\xFC"
                     "ft\\seeded.exe\" /tray";

class SeededPrefixTest : public test::ModelTest {
  protected:
    void SetUp() override {
        test::WriteBytes(dir / "qv6.lng", test::ReadBytes(ExecutableDir() + "qv6.lng"));
        test::RegSetString(HKEY_CURRENT_USER, kRunKey, kValue, kData);
    }
    void TearDown() override {
        form.reset();
        HKEY key = nullptr;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            ::RegDeleteValueA(key, kValue);
            ::RegCloseKey(key);
        }
    }
    TMainForm& Open() {
        form = std::make_unique<TMainForm>(model);
        EXPECT_TRUE(form->Create(dir.Path(), false));
        ui::ProcessMessages(form.get());
        return *form;
    }
    int SeededRow() {
        for (int r = 0; r < form->AutostartPage().ASList.Count(); ++r)
            if (form->AutostartPage().ASList.ItemText(r, 0) == kValue) return r;
        return -1;
    }

    test::TempDir dir;
    test::ScriptedDialogs dialogs;
    std::unique_ptr<TMainForm> form;
};

TEST_F(SeededPrefixTest, ARunValueShowsInGroupZeroAndIsKnownOnceAccepted) {
    TMainForm& f = Open();
    int row = SeededRow();
    ASSERT_GE(row, 0);
    EXPECT_EQ(f.AutostartPage().ASList.ItemText(row, 1), kData);
    EXPECT_TRUE(f.AutostartPage().ASList.Checked(row));
    EXPECT_EQ(f.AutostartPage().ASList.ItemImage(row), 0);
    EXPECT_EQ(
        f.AutostartPage().ASListBox.Caption(),
        model.LanguageTable.Format(LineAt(25), {std::to_string(f.AutostartPage().ASList.Count())}));

    // Accepted into the database file: the next start loads it before the
    // first fill, so the row comes up known.
    AutostartEntry found = model.ASEntries[f.AutostartPage().ASListIndex[static_cast<size_t>(row)]];
    form.reset();
    test::WriteBytes(dir / "asedb.dat", EncodeRecords({found}));
    Open();
    row = SeededRow();
    ASSERT_GE(row, 0);
    EXPECT_EQ(form->AutostartPage().ASList.ItemImage(row), 1);
}

TEST_F(SeededPrefixTest, TheRefreshButtonFindsWhatChangedSinceTheLastScan) {
    TMainForm& f = Open();
    ASSERT_GE(SeededRow(), 0);
    HKEY key = nullptr;
    ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    ::RegDeleteValueA(key, kValue);
    ::RegCloseKey(key);
    // A page switch keeps the list as it was; the refresh button rescans.
    f.Tab.SetTabIndex(1);
    f.TabChange();
    f.Tab.SetTabIndex(0);
    f.TabChange();
    EXPECT_GE(SeededRow(), 0);
    ::SendMessageW(f.AutostartPage().ASRefreshBtn.Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(SeededRow(), -1);
}

} // namespace
} // namespace qv
