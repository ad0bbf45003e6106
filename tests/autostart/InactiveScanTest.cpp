// Deactivation against the real scanner: what was unticked is no longer found
// at its source, comes back unticked from aseinactive.dat after a rescan, and
// is found in force again once ticked.
#include "InactiveFixture.h"

#include "model/AppModel.h"
#include "autostart/Scanner.h"
#include "base/Files.h"
#include "base/Handles.h"

namespace qv::test {
namespace {

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

class InactiveScan : public InactiveTestBase {
  protected:
    void SetUp() override {
        InactiveTestBase::SetUp();
        hadStartup_ = RegValueExists(HKEY_CURRENT_USER, kShellFolders, "startup");
        if (hadStartup_) oldStartup_ = RegGetString(HKEY_CURRENT_USER, kShellFolders, "startup");
        // The user's startup folder, as the scanner looks it up, is ours.
        std::string folder = startup.Path();
        folder.pop_back();
        RegSetString(HKEY_CURRENT_USER, kShellFolders, "startup", folder);
    }
    void TearDown() override {
        if (hadStartup_)
            RegSetString(HKEY_CURRENT_USER, kShellFolders, "startup", oldStartup_);
        else {
            RegKey k;
            if (::RegOpenKeyExA(HKEY_CURRENT_USER, kShellFolders, 0, KEY_SET_VALUE, k.put()) ==
                ERROR_SUCCESS)
                ::RegDeleteValueA(k.get(), "startup");
        }
        RegKey k;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_SET_VALUE, k.put()) == ERROR_SUCCESS)
            ::RegDeleteValueA(k.get(), runName_.c_str());
        InactiveTestBase::TearDown();
    }

    // Scan and append the kept entries, as a start or refresh does; lists
    // every entry in one row each.
    void Rescan() {
        ScanAutostarts(model, model.LanguageTable[Lng::ExplorerCaption]);
        LoadInactiveEntries(model);
        ASListIndex.clear();
        for (size_t i = 0; i < model.ASEntries.size(); ++i)
            ASListIndex.push_back(static_cast<uint16_t>(i));
    }
    std::vector<size_t> Rows(const std::string& caption) {
        std::vector<size_t> rows;
        for (size_t i = 0; i < model.ASEntries.size(); ++i)
            if (model.ASEntries[i].Caption.str() == caption) rows.push_back(i);
        return rows;
    }

    TempDir startup;
    std::string runName_ = "qv6test scan " + std::to_string(::GetCurrentProcessId());

  private:
    bool hadStartup_ = false;
    std::string oldStartup_;
};

TEST_F(InactiveScan, UntickedEntriesComeBackUntickedAfterARescanAndOnceOnly) {
    RegSetString(HKEY_CURRENT_USER, kRunKey, runName_, "C:\\tools\\tray.exe -q");
    WriteBytes(startup / "Tray.lnk", "not really a link");

    Rescan();
    ASSERT_EQ(Rows(runName_).size(), 1u);
    ASSERT_EQ(Rows("Tray.lnk").size(), 1u);
    EXPECT_EQ(LineOf(CheckMark(Rows(runName_)[0], false).failure), -1);
    EXPECT_EQ(LineOf(CheckMark(Rows("Tray.lnk")[0], false).failure), -1);
    EXPECT_FALSE(RegValueExists(HKEY_CURRENT_USER, kRunKey, runName_));
    EXPECT_FALSE(FileExists(startup / "Tray.lnk"));

    Rescan();
    for (const char* caption : {runName_.c_str(), "Tray.lnk"}) {
        auto rows = Rows(caption);
        ASSERT_EQ(rows.size(), 1u) << caption;
        EXPECT_EQ(model.ASEntries[rows[0]].Active, 0) << caption;
        EXPECT_EQ(LineOf(CheckMark(rows[0], true).failure), -1) << caption;
    }

    Rescan();
    for (const char* caption : {runName_.c_str(), "Tray.lnk"}) {
        auto rows = Rows(caption);
        ASSERT_EQ(rows.size(), 1u) << caption;
        EXPECT_EQ(model.ASEntries[rows[0]].Active, 1) << caption;
    }
    EXPECT_EQ(ReadBytes(startup / "Tray.lnk"), "not really a link");
    EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, kRunKey, runName_), "C:\\tools\\tray.exe -q");
    EXPECT_EQ(ReadBytes(work / kInactiveEntriesFile), "");
}

} // namespace
} // namespace qv::test
