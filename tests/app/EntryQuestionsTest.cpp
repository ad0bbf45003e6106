// Deleting entries at their source: the questions before, the messages after.
#include "model/AppModel.h"
#include "support/Model.h"
#include "app/EntryQuestions.h"
#include "autostart/Scanner.h"
#include "base/Files.h"
#include "support/Entries.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

constexpr const char* kKey = "Software\\QuorvikTest\\Edit";

class EntryQuestions : public test::ModelTest {
  protected:
    void SetUp() override {
        model.LanguageTable.LoadFromBytes(*ReadFileBytes(ExecutableDir() + "qv6.lng"));
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
    test::TempDir dir_;
    test::ScriptedDialogs dialogs_;
};

TEST_F(EntryQuestions, DeletingARegistryValueAsksAndReportsFailure) {
    test::RegSetString(HKEY_CURRENT_USER, kKey, "Tool", "tool.exe");
    dialogs_.QueueAnswer(MsgResult::Cancel);
    EXPECT_TRUE(DeleteEntry(model, Reg("Tool", "tool.exe")));
    EXPECT_TRUE(test::RegValueExists(HKEY_CURRENT_USER, kKey, "Tool"));
    ASSERT_EQ(dialogs_.Messages().size(), 1u);
    EXPECT_EQ(
        dialogs_.Messages()[0].text,
        model.LanguageTable.Format(LineAt(11), {"tool.exe", "Tool", std::string("\\") + kKey}));

    // An unanswered question counts as Cancel.
    EXPECT_TRUE(DeleteEntry(model, Reg("Tool", "tool.exe")));
    EXPECT_TRUE(test::RegValueExists(HKEY_CURRENT_USER, kKey, "Tool"));
    dialogs_.QueueAnswer(MsgResult::Ok);
    EXPECT_TRUE(DeleteEntry(model, Reg("Tool", "tool.exe")));
    EXPECT_FALSE(test::RegValueExists(HKEY_CURRENT_USER, kKey, "Tool"));

    dialogs_.Clear();
    dialogs_.QueueAnswer(MsgResult::Ok);
    EXPECT_FALSE(DeleteEntry(model, Reg("Tool", "tool.exe")));
    ASSERT_EQ(dialogs_.Messages().size(), 2u);
    EXPECT_EQ(
        dialogs_.Messages()[1].text,
        model.LanguageTable.Format(LineAt(12), {"tool.exe", "Tool", std::string("\\") + kKey}));
}

TEST_F(EntryQuestions, TheExplorerShellLineAsksTwiceAndKeepsItsAttributes) {
    std::string ini = model.WindowsDir + "system.ini";
    test::WriteBytes(ini, "[boot]\r\nshell=C:\\WINDOWS\\Explorer.EXE\r\n");
    ASSERT_TRUE(SetAttributes(ini, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    AutostartEntry e = Ini(ini, "Boot", "Shell", "C:\\WINDOWS\\Explorer.EXE");

    dialogs_.QueueAnswer(MsgResult::Ok);
    dialogs_.QueueAnswer(MsgResult::Cancel);
    EXPECT_TRUE(DeleteEntry(model, e));
    ASSERT_EQ(dialogs_.Messages().size(), 2u);
    EXPECT_EQ(dialogs_.Messages()[1].text, model.LanguageTable[LineAt(46)]);
    EXPECT_NE(test::ReadBytes(ini).find("shell="), std::string::npos);

    dialogs_.QueueAnswer(MsgResult::Ok);
    dialogs_.QueueAnswer(MsgResult::Ok);
    EXPECT_TRUE(DeleteEntry(model, e));
    EXPECT_EQ(test::ReadBytes(ini).find("shell="), std::string::npos);
    EXPECT_EQ(GetAttributes(ini), DWORD(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    SetAttributes(ini, FILE_ATTRIBUTE_NORMAL);
}

TEST_F(EntryQuestions, AnotherShellLineAsksOnce) {
    std::string ini = model.WindowsDir + "system.ini";
    test::WriteBytes(ini, "[boot]\r\nshell=progman.exe\r\n");
    dialogs_.QueueAnswer(MsgResult::Ok);
    EXPECT_TRUE(DeleteEntry(model, Ini(ini, "boot", "shell", "progman.exe")));
    EXPECT_EQ(dialogs_.Messages().size(), 1u);
    EXPECT_EQ(test::ReadBytes(ini).find("shell="), std::string::npos);
}

TEST_F(EntryQuestions, DeletingAFileClearsItsAttributesAndReportsALockedOne) {
    std::string file = dir_ / "autoexec.bat";
    test::WriteBytes(file, "@echo off\r\n");
    SetAttributes(file, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    AutostartEntry e = ZeroEntry();
    e.Kind = KindFile;
    e.FileName.assign(file);
    dialogs_.QueueAnswer(MsgResult::Ok);
    EXPECT_TRUE(DeleteEntry(model, e));
    EXPECT_FALSE(FileExists(file));

    test::WriteBytes(file, "@echo off\r\n");
    HANDLE lock = ::CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    dialogs_.Clear();
    dialogs_.QueueAnswer(MsgResult::Ok);
    EXPECT_FALSE(DeleteEntry(model, e));
    ::CloseHandle(lock);
    ASSERT_EQ(dialogs_.Messages().size(), 2u);
    EXPECT_EQ(dialogs_.Messages()[1].text, model.LanguageTable.Format(LineAt(16), {file}) + "\r" +
                                               model.LanguageTable[LineAt(17)]);
    EXPECT_TRUE(FileExists(file));
}

TEST_F(EntryQuestions, WarningJoinsThreeLinesWithCR) {
    EXPECT_EQ(SystemEntryWarning(model.LanguageTable), model.LanguageTable[LineAt(27)] + "\r" +
                                                           model.LanguageTable[LineAt(28)] + "\r" +
                                                           model.LanguageTable[LineAt(29)]);
}

} // namespace
} // namespace qv
