#include "model/AppModel.h"
#include "support/Model.h"
#include "base/LanguageLines.h"
#include "autostart/EntryMaintenance.h"
#include "autostart/Scanner.h"
#include "base/Files.h"
#include "support/Entries.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

constexpr const char* kKey = "Software\\QuorvikTest\\Edit";

class EntryMaintenance : public test::ModelTest {
  protected:
    void SetUp() override {
        test::RegDeleteTree(HKEY_CURRENT_USER, kKey);
        model.WindowsDir = dir_.Path();
    }
    void TearDown() override { test::RegDeleteTree(HKEY_CURRENT_USER, kKey); }
    static AutostartEntry Reg(const std::string& name, const std::string& data,
                              const std::string& path = std::string("\\") + kKey) {
        return test::RegEntry(kRootCurrentUser, path, name, data);
    }
    static AutostartEntry Ini(const std::string& file, const std::string& section,
                              const std::string& key, const std::string& data) {
        return test::IniEntry(file, section, key, data);
    }
    static DWORD ValueType(const std::string& name) {
        HKEY k;
        DWORD type = 0;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &k) == ERROR_SUCCESS) {
            ::RegQueryValueExA(k, name.c_str(), nullptr, &type, nullptr, nullptr);
            ::RegCloseKey(k);
        }
        return type;
    }
    test::TempDir dir_;
    test::ScriptedDialogs dialogs_;
};

TEST_F(EntryMaintenance, RenameMovesTheValueAndWritesTheTextAsString) {
    test::RegSetString(HKEY_CURRENT_USER, kKey, "Old", "%windir%\\a.exe", REG_EXPAND_SZ);
    ApplyEntryEdit(Reg("Old", "%windir%\\a.exe"), "New", "c:\\b.exe");
    EXPECT_FALSE(test::RegValueExists(HKEY_CURRENT_USER, kKey, "Old"));
    EXPECT_EQ(test::RegGetString(HKEY_CURRENT_USER, kKey, "New"), "c:\\b.exe");
    EXPECT_EQ(ValueType("New"), DWORD(REG_SZ));
}

TEST_F(EntryMaintenance, RenameOntoAnExistingNameKeepsTheOldValue) {
    test::RegSetString(HKEY_CURRENT_USER, kKey, "Old", "old.exe");
    test::RegSetString(HKEY_CURRENT_USER, kKey, "Taken", "taken.exe");
    ApplyEntryEdit(Reg("Old", "old.exe"), "Taken", "neu.exe");
    EXPECT_EQ(test::RegGetString(HKEY_CURRENT_USER, kKey, "Old"), "old.exe");
    EXPECT_EQ(test::RegGetString(HKEY_CURRENT_USER, kKey, "Taken"), "neu.exe");
}

TEST_F(EntryMaintenance, RenameOfAValueWithoutDataOnlyWritesTheNewName) {
    test::RegSetRaw(HKEY_CURRENT_USER, kKey, "Empty", REG_BINARY, "");
    ApplyEntryEdit(Reg("Empty", ""), "Filled", "x.exe");
    EXPECT_TRUE(test::RegValueExists(HKEY_CURRENT_USER, kKey, "Empty"));
    EXPECT_EQ(test::RegGetString(HKEY_CURRENT_USER, kKey, "Filled"), "x.exe");
}

TEST_F(EntryMaintenance, EditOfAMissingKeyWritesNothingAndTheDefaultValueCanBeTarget) {
    ApplyEntryEdit(Reg("A", "a"), "A", "b");
    EXPECT_FALSE(test::RegValueExists(HKEY_CURRENT_USER, kKey, "A"));

    test::RegSetString(HKEY_CURRENT_USER, kKey, "Named", "n.exe");
    ApplyEntryEdit(Reg("Named", "n.exe", kKey), "", "default.exe"); // path without backslash
    EXPECT_EQ(test::RegGetString(HKEY_CURRENT_USER, kKey, ""), "default.exe");
    EXPECT_FALSE(test::RegValueExists(HKEY_CURRENT_USER, kKey, "Named"));
}

TEST_F(EntryMaintenance, IniEditWritesOnlyTheValue) {
    std::string ini = dir_ / "test.ini";
    test::WriteBytes(ini, "[boot]\r\nshell=explorer.exe\r\nother=1\r\n");
    ApplyEntryEdit(Ini(ini, "boot", "shell", "explorer.exe"), "ignored", "explorer.exe evil.exe");
    char buf[256];
    ::GetPrivateProfileStringA("boot", "shell", "", buf, sizeof buf, ini.c_str());
    EXPECT_STREQ(buf, "explorer.exe evil.exe");
    ::GetPrivateProfileStringA("boot", "ignored", "none", buf, sizeof buf, ini.c_str());
    EXPECT_STREQ(buf, "none");
}

TEST_F(EntryMaintenance, DeletingAtTheSourceSaysWhatFailedWithoutAsking) {
    test::RegSetString(HKEY_CURRENT_USER, kKey, "Tool", "tool.exe");
    DeleteOutcome out = DeleteAtSource(Reg("Tool", "tool.exe"));
    EXPECT_TRUE(out.deleted);
    EXPECT_FALSE(test::RegValueExists(HKEY_CURRENT_USER, kKey, "Tool"));

    out = DeleteAtSource(Reg("Tool", "tool.exe"));
    EXPECT_FALSE(out.deleted);
    EXPECT_EQ(out.failure->line, Lng::DeleteRegistryFailed);
    EXPECT_EQ(out.failure->args,
              (std::vector<std::string>{"tool.exe", "Tool", std::string("\\") + kKey}));

    std::string file = dir_ / "gone.bat";
    out = DeleteAtSource(test::FileEntry(file, 7));
    EXPECT_FALSE(out.deleted);
    EXPECT_EQ(out.failure->line, Lng::DeleteFileFailed);
    EXPECT_TRUE(out.fileHint);
    EXPECT_TRUE(dialogs_.Messages().empty()) << "the domain never asks or reports";

    EXPECT_EQ(DeletionQuestion(Reg("Tool", "tool.exe"))->line, Lng::DeleteRegistryQuestion);
    EXPECT_EQ(DeletionQuestion(test::FileEntry(file, 7))->args, std::vector<std::string>{file});
}

} // namespace
} // namespace qv
