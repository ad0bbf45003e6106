// Entries of the 32-bit registry view and of the policy run keys, taken from
// a real scan and then deactivated, reactivated, edited and deleted: every
// change lands in the key the entry came from, never in the native one.
#include "InactiveFixture.h"

#include "model/AppModel.h"
#include "autostart/EntryMaintenance.h"
#include "autostart/Scanner.h"
#include "base/Files.h"
#include "base/Handles.h"

namespace qv::test {
namespace {

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kWowRunKey[] = "Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kPolicyRunKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run";

// The value as a program of the given view sees it, or nothing.
std::optional<std::string> ValueIn(REGSAM view, HKEY root, const char* key, const std::string& name,
                                   DWORD* type = nullptr) {
    RegKey k;
    if (::RegOpenKeyExA(root, key, 0, KEY_READ | view, k.put()) != ERROR_SUCCESS)
        return std::nullopt;
    char buf[1024] = {};
    DWORD size = sizeof buf - 1, t = 0;
    if (::RegQueryValueExA(k.get(), name.c_str(), nullptr, &t, reinterpret_cast<BYTE*>(buf),
                           &size) != ERROR_SUCCESS)
        return std::nullopt;
    if (type) *type = t;
    return std::string(buf);
}

class Wow64Entry : public InactiveTestBase {
  protected:
    void SetUp() override {
        InactiveTestBase::SetUp();
        RegSetRaw(HKEY_LOCAL_MACHINE, kRunKey, name, REG_EXPAND_SZ,
                  std::string("%ProgramFiles(x86)%\\tool\\tool32.exe /tray") + '\0',
                  KEY_WOW64_32KEY);
    }
    void TearDown() override {
        for (const std::string& n : {name, renamed}) {
            RegRemoveValue(HKEY_LOCAL_MACHINE, kRunKey, n, KEY_WOW64_32KEY);
            RegRemoveValue(HKEY_LOCAL_MACHINE, kRunKey, n, KEY_WOW64_64KEY);
            RegRemoveValue(HKEY_CURRENT_USER, kPolicyRunKey, n, KEY_WOW64_64KEY);
        }
        InactiveTestBase::TearDown();
    }
    // The scanned entry of that name and key path, shown as a list row.
    std::optional<size_t> ScanAndShow(const std::string& keyPath, const std::string& valueName) {
        ScanAutostarts(model, model.LanguageTable[Lng::ExplorerCaption]);
        ASListIndex.clear();
        for (size_t i = 0; i < model.ASEntries.size(); ++i)
            ASListIndex.push_back(static_cast<uint16_t>(i));
        for (size_t i = 0; i < model.ASEntries.size(); ++i)
            if (model.ASEntries[i].KeyPath.view() == keyPath &&
                model.ASEntries[i].ValueName.view() == valueName)
                return i;
        return std::nullopt;
    }

    const std::string name = "qv6test wow " + std::to_string(::GetCurrentProcessId());
    const std::string renamed = name + " renamed";
};

TEST_F(Wow64Entry, DeactivatedAndRestoredInThe32BitKey) {
    auto row = ScanAndShow(kWowRunKey, name);
    ASSERT_TRUE(row);
    const AutostartEntry scanned = model.ASEntries[*row];
    EXPECT_EQ(scanned.RootKey.view(), kRootLocalMachine);

    CheckMarkOutcome out = CheckMark(*row, false);
    EXPECT_FALSE(out.setCheck);
    EXPECT_EQ(LineOf(out.failure), -1);
    EXPECT_FALSE(ValueIn(KEY_WOW64_32KEY, HKEY_LOCAL_MACHINE, kRunKey, name));
    EXPECT_FALSE(ValueIn(KEY_WOW64_64KEY, HKEY_LOCAL_MACHINE, kRunKey, name));
    AutostartEntry kept = scanned;
    kept.Active = 0;
    EXPECT_EQ(ReadBytes(work / kInactiveEntriesFile), EncodeRecords({kept}));

    // A restart: the scan no longer finds it, the saved list brings it back
    // with the same path.
    auto again = ScanAndShow(kWowRunKey, name);
    EXPECT_FALSE(again);
    ASSERT_EQ(LoadInactiveEntries(model), 1);
    ASListIndex.push_back(static_cast<uint16_t>(model.ASEntries.size() - 1));
    out = CheckMark(ASListIndex.size() - 1, true);
    EXPECT_FALSE(out.setCheck);
    EXPECT_EQ(LineOf(out.failure), -1);
    DWORD type = 0;
    EXPECT_EQ(ValueIn(KEY_WOW64_32KEY, HKEY_LOCAL_MACHINE, kRunKey, name, &type),
              "%ProgramFiles(x86)%\\tool\\tool32.exe /tray");
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_FALSE(ValueIn(KEY_WOW64_64KEY, HKEY_LOCAL_MACHINE, kRunKey, name));
    EXPECT_EQ(ReadBytes(work / kInactiveEntriesFile), "");

    // And the next scan finds the same record as before.
    row = ScanAndShow(kWowRunKey, name);
    ASSERT_TRUE(row);
    EXPECT_TRUE(SameAutostartPoint(model.ASEntries[*row], scanned, true));
}

TEST_F(Wow64Entry, EditedAndDeletedInThe32BitKey) {
    auto row = ScanAndShow(kWowRunKey, name);
    ASSERT_TRUE(row);
    ApplyEntryEdit(model.ASEntries[*row], renamed, "c:\\tool32\\new.exe");
    EXPECT_FALSE(ValueIn(KEY_WOW64_32KEY, HKEY_LOCAL_MACHINE, kRunKey, name));
    EXPECT_EQ(ValueIn(KEY_WOW64_32KEY, HKEY_LOCAL_MACHINE, kRunKey, renamed),
              "c:\\tool32\\new.exe");
    EXPECT_FALSE(ValueIn(KEY_WOW64_64KEY, HKEY_LOCAL_MACHINE, kRunKey, renamed));

    row = ScanAndShow(kWowRunKey, renamed);
    ASSERT_TRUE(row);
    const AutostartEntry e = model.ASEntries[*row];
    EXPECT_EQ(DeletionQuestion(e)->args,
              (std::vector<std::string>{"c:\\tool32\\new.exe", renamed, kWowRunKey}));
    // The same name in the native key must survive the deletion.
    RegSetString(HKEY_LOCAL_MACHINE, kRunKey, renamed, "native.exe");
    DeleteOutcome out = DeleteAtSource(e);
    EXPECT_TRUE(out.deleted);
    EXPECT_FALSE(ValueIn(KEY_WOW64_32KEY, HKEY_LOCAL_MACHINE, kRunKey, renamed));
    EXPECT_EQ(ValueIn(KEY_WOW64_64KEY, HKEY_LOCAL_MACHINE, kRunKey, renamed), "native.exe");
}

TEST_F(Wow64Entry, APolicyEntryIsDeactivatedAndRestoredInThePolicyKey) {
    RegSetString(HKEY_CURRENT_USER, kPolicyRunKey, name, "policy.exe");
    auto row = ScanAndShow(kPolicyRunKey, name);
    ASSERT_TRUE(row);
    EXPECT_EQ(model.ASEntries[*row].Group, GroupByte(AutostartGroup::RunKeys));
    EXPECT_EQ(LineOf(CheckMark(*row, false).failure), -1);
    EXPECT_FALSE(ValueIn(KEY_WOW64_64KEY, HKEY_CURRENT_USER, kPolicyRunKey, name));
    EXPECT_EQ(LineOf(CheckMark(*row, true).failure), -1);
    EXPECT_EQ(ValueIn(KEY_WOW64_64KEY, HKEY_CURRENT_USER, kPolicyRunKey, name), "policy.exe");
}

} // namespace
} // namespace qv::test
