// Windows' own switch of run-key values and startup-folder files: the values
// Explorer keeps under Explorer\StartupApproved, written here as Task
// Manager writes them and read back through the scanner's registry side.
#include "AutostartMachine.h"

#include "model/AppModel.h"
#include "autostart/ScanPlatform.h"
#include "autostart/Scanner.h"
#include "autostart/StartupApproved.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>

namespace qv::test {
namespace {

const std::string kCV = "Software\\Microsoft\\Windows\\CurrentVersion\\";
const std::string kApproved = kCV + "Explorer\\StartupApproved\\";

// Task Manager's 12 bytes: the state byte, three zero bytes, and the time the
// entry was turned off (zero while it is on).
std::string Switch(uint8_t state, uint64_t filetime = 0) {
    std::string b(12, '\0');
    b[0] = static_cast<char>(state);
    for (int i = 0; i < 8; ++i)
        b[4 + static_cast<size_t>(i)] = static_cast<char>((filetime >> (8 * i)) & 0xFF);
    return b;
}

void SetBinary(HKEY root, const std::string& key, const std::string& name, const std::string& bytes,
               DWORD type = REG_BINARY) {
    RegSetRaw(root, key, name, type, bytes);
}

TEST(StartupApproved, TheStateByteDecidesAndOnlyBinaryValuesCount) {
    const uint64_t when = 0x01D9A0B1C2D3E4F5ull;
    EXPECT_EQ(DecodeStartupApproved(kRegBinary, Switch(0x02)), Approval::Enabled);
    EXPECT_EQ(DecodeStartupApproved(kRegBinary, Switch(0x03, when)), Approval::Disabled);
    EXPECT_EQ(DecodeStartupApproved(kRegBinary, Switch(0x06)), Approval::Enabled);
    EXPECT_EQ(DecodeStartupApproved(kRegBinary, Switch(0x07, when)), Approval::Disabled);
    EXPECT_EQ(DecodeStartupApproved(kRegBinary, std::string(1, '\x03')), Approval::Disabled);
    EXPECT_EQ(DecodeStartupApproved(kRegBinary, ""), Approval::None);
    EXPECT_EQ(DecodeStartupApproved(1 /* REG_SZ */, Switch(0x03)), Approval::None);
    EXPECT_EQ(DecodeStartupApproved(4 /* REG_DWORD */, Switch(0x02)), Approval::None);
    EXPECT_EQ(ApprovalText(Approval::Enabled), "enabled");
    EXPECT_EQ(ApprovalText(Approval::Disabled), "disabled");
    EXPECT_EQ(ApprovalText(Approval::None), "");
}

TEST(StartupApproved, EachEntryFindsTheSwitchOfItsOwnListAndRoot) {
    AppModel model;
    AutostartMachine machine;
    const uint64_t when = 0x01D9A0B1C2D3E4F5ull;
    RegSetString(HKEY_CURRENT_USER, kCV + "Run", "On", "on.exe");
    RegSetString(HKEY_CURRENT_USER, kCV + "Run", "Off", "off.exe");
    RegSetString(HKEY_CURRENT_USER, kCV + "Run", "Plain", "plain.exe");
    RegSetString(HKEY_CURRENT_USER, kCV + "Run", "Text", "text.exe");
    RegSetString(HKEY_CURRENT_USER, kCV + "RunOnce", "Off", "once.exe");
    RegSetString(HKEY_LOCAL_MACHINE, kCV + "Run", "Machine", "m.exe");
    RegSetString(HKEY_LOCAL_MACHINE, kCV + "Run", "Both", "b64.exe");
    RegSetString(HKEY_LOCAL_MACHINE,
                 "Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run", "Both",
                 "b32.exe");
    RegSetString(HKEY_CURRENT_USER, kCV + "Policies\\Explorer\\Run", "Off", "policy.exe");
    WriteBytes(machine.UserStartup() + "\\user.txt", "u");
    WriteBytes(machine.UserStartup() + "\\other.txt", "o");
    WriteBytes(machine.CommonStartup() + "\\common.txt", "c");
    machine.SetUserStartup(machine.UserStartup());
    machine.SetCommonStartup(machine.CommonStartup());

    SetBinary(HKEY_CURRENT_USER, kApproved + "Run", "on", Switch(0x02)); // another case
    SetBinary(HKEY_CURRENT_USER, kApproved + "Run", "Off", Switch(0x03, when));
    SetBinary(HKEY_CURRENT_USER, kApproved + "Run", "Text", Switch(0x03), REG_SZ);
    SetBinary(HKEY_CURRENT_USER, kApproved + "Run", "Machine", Switch(0x03, when));
    SetBinary(HKEY_LOCAL_MACHINE, kApproved + "Run", "Machine", Switch(0x06));
    SetBinary(HKEY_LOCAL_MACHINE, kApproved + "Run32", "Both", Switch(0x07, when));
    SetBinary(HKEY_CURRENT_USER, kApproved + "StartupFolder", "USER.TXT", Switch(0x03, when));
    SetBinary(HKEY_LOCAL_MACHINE, kApproved + "StartupFolder", "other.txt", Switch(0x03, when));
    SetBinary(HKEY_LOCAL_MACHINE, kApproved + "StartupFolder", "common.txt", Switch(0x02));

    std::vector<EntryOrigin> origins;
    RegistryAndFilesPlatform platform;
    ScanAutostartsWith(model, platform, model.LanguageTable[Lng::ExplorerCaption], &origins);
    ASSERT_EQ(origins.size(), model.ASEntries.size());
    std::vector<ApprovalRef> refs;
    for (const EntryOrigin& o : origins)
        refs.push_back(o.approval);
    std::unique_ptr<RegistryReader> reg = WindowsScanPlatform().CreateRegistryReader();
    std::vector<Approval> states = ResolveApprovals(*reg, refs);
    ASSERT_EQ(states.size(), model.ASEntries.size());

    std::map<std::string, std::string> got; // key path | caption -> state
    for (size_t i = 0; i < model.ASEntries.size(); ++i) {
        const AutostartEntry& e = model.ASEntries[i];
        std::string where =
            e.Kind == KindFile ? e.FileName.str() : e.RootKey.str() + " " + e.KeyPath.str();
        got[where + " | " + e.Caption.str()] = std::string(ApprovalText(states[i]));
    }
    const std::string cu = std::string(kRootCurrentUser) + " ";
    const std::string lm = std::string(kRootLocalMachine) + " ";
    const std::map<std::string, std::string> expected = {
        {cu + kCV + "Run | On", "enabled"},
        {cu + kCV + "Run | Off", "disabled"},
        {cu + kCV + "Run | Plain", ""},
        // A value Explorer did not write is no switch.
        {cu + kCV + "Run | Text", ""},
        // Only the Run keys have switches.
        {cu + kCV + "RunOnce | Off", ""},
        {cu + kCV + "Policies\\Explorer\\Run | Off", ""},
        // The machine's entries go by the machine's lists, the 32-bit view's
        // by Run32.
        {lm + kCV + "Run | Machine", "enabled"},
        {lm + kCV + "Run | Both", ""},
        {lm + "Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run | Both", "disabled"},
        // The user's folder goes by the user's list, the common one by the
        // machine's.
        {machine.UserStartup() + "\\user.txt | user.txt", "disabled"},
        {machine.UserStartup() + "\\other.txt | other.txt", ""},
        {machine.CommonStartup() + "\\common.txt | common.txt", "enabled"},
    };
    EXPECT_EQ(got, expected);

    // The files' origins name the file the checksum was taken of.
    for (size_t i = 0; i < model.ASEntries.size(); ++i)
        EXPECT_EQ(origins[i].checkedFile, model.ASEntries[i].Kind == KindFile
                                              ? model.ASEntries[i].FileName.str()
                                              : std::string());
}

} // namespace
} // namespace qv::test
