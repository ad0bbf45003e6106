// The registry groups of today's Windows, seeded through the real registry
// of the test prefix: their rows, their marks, what they refuse, and the two
// that can be switched off and come back byte for byte.
#include "autostart/AutostartMachine.h"
#include "autostart/EntryMaintenance.h"
#include "autostart/Groups.h"
#include "autostart/InactiveFixture.h"
#include "autostart/InactiveRules.h"
#include "autostart/ScanPlatform.h"
#include "autostart/Scanner.h"
#include "base/Files.h"
#include "base/Text.h"
#include "database/CRC.h"

#include <optional>
#include <tuple>

namespace qv::test {
namespace {

const std::string kNt = "Software\\Microsoft\\Windows NT\\CurrentVersion\\";
const std::string kNt32 = "Software\\WOW6432Node\\Microsoft\\Windows NT\\CurrentVersion\\";
const std::string kIfeo = kNt + "Image File Execution Options\\";
const std::string kLsa = "System\\CurrentControlSet\\Control\\Lsa";

class SystemGroups : public InactiveTestBase {
  protected:
    // The rows of the registry groups (12 on): group, caption, detail.
    using Row = std::tuple<int, std::string, std::string>;
    std::vector<Row> Rows(std::vector<EntryOrigin>* origins = nullptr) {
        ScanAutostartsWith(model, WindowsScanPlatform(), "", origins, "(Std)");
        std::vector<Row> rows;
        for (const AutostartEntry& e : model.ASEntries)
            if (e.Group >= GroupByte(AutostartGroup::Winlogon))
                rows.emplace_back(e.Group, e.Caption.str(), e.Detail.str());
        return rows;
    }
    size_t IndexOf(std::string_view caption) {
        for (size_t i = 0; i < model.ASEntries.size(); ++i)
            if (model.ASEntries[i].Caption.view() == caption) return i;
        ADD_FAILURE() << caption;
        return 0;
    }
    AutostartMachine machine;
};

TEST_F(SystemGroups, EachSourceGivesItsRowsWithWindowsOwnMarkedAndBadValuesSkipped) {
    const std::string sys = machine.SystemDir(), hook = app / "hook.exe";
    WriteBytes(hook, "MZ hook");
    // Winlogon: each program of a comma list is a row.
    RegSetString(HKEY_LOCAL_MACHINE, kNt + "Winlogon", "Userinit",
                 sys + "userinit.exe,C:\\evil\\x.exe,");
    RegSetString(HKEY_LOCAL_MACHINE, kNt + "Winlogon", "Shell", "explorer.exe");
    RegSetString(HKEY_CURRENT_USER, kNt + "Winlogon", "Shell", "c:\\my shell.exe /x");
    RegSetString(HKEY_LOCAL_MACHINE, kNt + "Winlogon\\Notify\\Foo", "DllName", "foo.dll");
    // Image hijacks: values that are no text and a key nobody may read are
    // skipped, the keys behind them still read.
    RegSetDword(HKEY_LOCAL_MACHINE, kIfeo + "calc.exe", "Debugger", 1);
    RegSetString(HKEY_LOCAL_MACHINE, kIfeo + "clock.exe", "Debugger", "c:\\x.exe", REG_BINARY);
    RegSetString(HKEY_LOCAL_MACHINE, kIfeo + "denied.exe", "Debugger", "c:\\hidden.exe");
    KeyDenial unreadable(HKEY_LOCAL_MACHINE, kIfeo + "denied.exe", KEY_QUERY_VALUE);
    RegSetString(HKEY_LOCAL_MACHINE, kIfeo + "notepad.exe", "Debugger", "\"" + hook + "\" -q");
    RegSetString(HKEY_LOCAL_MACHINE, kNt32 + "Image File Execution Options\\wordpad.exe",
                 "Debugger", "c:\\w.exe");
    RegSetString(HKEY_LOCAL_MACHINE, kNt + "SilentProcessExit\\x.exe", "MonitorProcess", "m.exe");
    // AppInit: listed only while the switch is on.
    RegSetString(HKEY_LOCAL_MACHINE, kNt + "Windows", "AppInit_DLLs", "a.dll, c:\\b.dll");
    RegSetDword(HKEY_LOCAL_MACHINE, kNt + "Windows", "LoadAppInit_DLLs", 1);
    RegSetString(HKEY_LOCAL_MACHINE, kNt32 + "Windows", "AppInit_DLLs", "off.dll");
    RegSetDword(HKEY_LOCAL_MACHINE, kNt32 + "Windows", "LoadAppInit_DLLs", 0);
    // LSA: multi-strings (RegSetString adds the last NUL); Windows writes an
    // empty list as a pair of quotes.
    RegSetString(HKEY_LOCAL_MACHINE, kLsa, "Authentication Packages",
                 std::string("msv1_0\0evilpkg\0", 15), REG_MULTI_SZ);
    RegSetString(HKEY_LOCAL_MACHINE, kLsa, "Security Packages", std::string("\"\"\0", 3),
                 REG_MULTI_SZ);
    RegSetString(HKEY_LOCAL_MACHINE, kLsa + "\\OSConfig", "Security Packages",
                 std::string("kerberos\0", 9), REG_MULTI_SZ);
    const std::string monitors = "System\\CurrentControlSet\\Control\\Print\\Monitors\\";
    RegSetString(HKEY_LOCAL_MACHINE, monitors + "Local Port", "Driver", "localspl.dll");
    RegSetString(HKEY_LOCAL_MACHINE, monitors + "Evil Mon", "Driver", "evilmon.dll");
    const std::string apps = "Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\"
                             "CurrentVersion\\AppModel\\SystemAppData\\";
    RegSetDword(HKEY_CURRENT_USER, apps + "Pkg_1\\TaskA", "State", 2);
    RegSetString(HKEY_CURRENT_USER, apps + "Pkg_1\\Schemas", "x", "no task");
    RegSetDword(HKEY_CURRENT_USER, apps + "Pkg_2\\T", "State", 1);

    std::vector<EntryOrigin> origins;
    const std::vector<Row> expected = {
        {12, "Userinit (Std)", sys + "userinit.exe"},
        {12, "Userinit", "C:\\evil\\x.exe"},
        {12, "Shell (Std)", "explorer.exe"},
        {12, "Shell", "c:\\my shell.exe /x"},
        {12, "Notify\\Foo", "foo.dll"},
        {13, "notepad.exe", "\"" + hook + "\" -q"},
        {13, "wordpad.exe", "c:\\w.exe"},
        {13, "x.exe", "m.exe"},
        {14, "a.dll", "a.dll"},
        {14, "b.dll", "c:\\b.dll"},
        {15, "msv1_0 (Std)", "Authentication Packages"},
        {15, "evilpkg", "Authentication Packages"},
        {15, "kerberos (Std)", "Security Packages"},
        {16, "Evil Mon", "evilmon.dll"},
        {16, "Local Port (Std)", "localspl.dll"},
        {17, "Pkg_1", "TaskA: Enabled"},
        {17, "Pkg_2", "T: DisabledByUser"},
    };
    EXPECT_EQ(Rows(&origins), expected);
    // The file behind a hijack is the program that runs instead: its CRC in
    // the record, its path for the digests.
    const size_t i = IndexOf("notepad.exe");
    EXPECT_EQ(model.ASEntries[i].FileName.str(), hook);
    EXPECT_EQ(model.ASEntries[i].Checksum, FileCRC32(hook));
    EXPECT_EQ(origins[i].checkedFile, hook);
    EXPECT_TRUE(SameTextAscii(model.ASEntries[i].KeyPath.view(), kIfeo + "notepad.exe"));
}

TEST_F(SystemGroups, HijackAndAppInitGoAndComeBackByteForByte) {
    // Longer than a record holds, and an expandable string: only the kept
    // copy can bring it back as it was.
    const std::string command = "%SystemRoot%\\" + std::string(300, 'd') + ".exe";
    RegSetString(HKEY_LOCAL_MACHINE, kIfeo + "notepad.exe", "Debugger", command, REG_EXPAND_SZ);
    RegSetString(HKEY_LOCAL_MACHINE, kNt + "Windows", "AppInit_DLLs", "a.dll c:\\b.dll");
    RegSetDword(HKEY_LOCAL_MACHINE, kNt + "Windows", "LoadAppInit_DLLs", 7);
    const auto listBefore = RegGetRaw(HKEY_LOCAL_MACHINE, kNt + "Windows", "AppInit_DLLs");
    Rows();

    struct Case {
        std::string caption, key, value;
        std::optional<std::pair<DWORD, std::string>> whileOff;
    };
    const Case cases[] = {
        {"notepad.exe", kIfeo + "notepad.exe", "Debugger", std::nullopt},
        {"a.dll", kNt + "Windows", "LoadAppInit_DLLs",
         std::make_pair(DWORD(REG_DWORD), std::string(4, '\0'))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        const auto before = RegGetRaw(HKEY_LOCAL_MACHINE, c.key, c.value);
        ASSERT_TRUE(before);
        ASSERT_EQ(LineOf(OnEntryCheckMark(model, IndexOf(c.caption), false).failure), -1);
        EXPECT_EQ(RegGetRaw(HKEY_LOCAL_MACHINE, c.key, c.value), c.whileOff);
        // After a restart the row is there, unticked, from the kept entries.
        Rows();
        LoadInactiveEntries(model);
        const size_t off = IndexOf(c.caption);
        EXPECT_EQ(model.ASEntries[off].Active, 0);
        ASSERT_EQ(LineOf(OnEntryCheckMark(model, off, true).failure), -1);
        EXPECT_EQ(RegGetRaw(HKEY_LOCAL_MACHINE, c.key, c.value), before);
        EXPECT_TRUE(FilesIn(InactiveFolder(model.AppDir)).empty());
    }
    EXPECT_EQ(RegGetRaw(HKEY_LOCAL_MACHINE, kNt + "Windows", "AppInit_DLLs"), listBefore);
    // One switch serves the whole list: its other DLL turned along.
    Rows();
    EXPECT_TRUE(OnEntryCheckMark(model, IndexOf("a.dll"), false).refill);
    EXPECT_EQ(model.ASEntries[IndexOf("b.dll")].Active, 0);
    EXPECT_EQ(ReadBytes(kInactiveEntriesFile).size(), 2 * kRecordSize);
}

TEST_F(SystemGroups, ReadOnlyRowsRefuseEveryChangeWithTheirReason) {
    const struct {
        AutostartGroup group;
        std::string key, value;
        Lng line;
    } cases[] = {
        {AutostartGroup::Winlogon, kNt + "Winlogon", "Userinit", Lng::WinlogonReadOnly},
        {AutostartGroup::LsaPackages, kLsa, "Notification Packages", Lng::LsaReadOnly},
        {AutostartGroup::Drivers, "System\\CurrentControlSet\\Services\\qvdrv", "ImagePath",
         Lng::DriverReadOnly},
        {AutostartGroup::PrintMonitors, "System\\CurrentControlSet\\Control\\Print\\Monitors\\M",
         "Driver", Lng::GroupReadOnly},
        {AutostartGroup::StoreApps, "Software\\qv6test\\AppModel\\P\\T", "State",
         Lng::GroupReadOnly},
        // One DLL of a list can be switched, not edited or deleted alone.
        {AutostartGroup::AppInitDlls, kNt + "Windows", "AppInit_DLLs", Lng::ListItemNotEditable},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        RegSetString(HKEY_LOCAL_MACHINE, c.key, c.value, "keep.dll");
        AutostartEntry e = RegEntry(kRootLocalMachine, c.key, c.value, "keep.dll", c.value, "",
                                    GroupByte(c.group), 0);
        const size_t row = AddRow(e);
        if (c.group != AutostartGroup::AppInitDlls) {
            CheckMarkOutcome out = CheckMark(row, false);
            EXPECT_EQ(out.setCheck, std::optional<bool>(true));
            EXPECT_EQ(LineOf(out.failure), LineNumber(c.line));
            EXPECT_FALSE(out.offerElevation);
        }
        EXPECT_EQ(LineOf(DeleteAtSource(e).failure), LineNumber(c.line));
        ApplyEntryEdit(e, c.value, "changed.dll");
        EXPECT_EQ(RegGetString(HKEY_LOCAL_MACHINE, c.key, c.value), "keep.dll");
        EXPECT_EQ(EditRefusalLine(GroupByte(c.group)), c.line);
    }
    EXPECT_FALSE(FileExists(kInactiveEntriesFile));
    RegDeleteTree(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\qvdrv");
    RegDeleteTree(HKEY_LOCAL_MACHINE, "Software\\qv6test");
}

TEST(GroupRules, CategoriesAndKeptValuesRoundTrip) {
    EXPECT_EQ(GroupCategory(13), "image hijacks");
    EXPECT_EQ(GroupCategory(kGroupCount), "");
    KeptValue v{"2147483650", "Software\\K", "Debugger", REG_EXPAND_SZ, std::string("a\0b", 3)};
    EXPECT_EQ(DecodeKeptValue(EncodeKeptValue(v)), v);
    const std::string bytes = EncodeKeptValue(v);
    EXPECT_FALSE(DecodeKeptValue(bytes.substr(0, bytes.size() - 1)));
    EXPECT_NE(KeptValueFileName("1", "a", "bc"), KeptValueFileName("1", "ab", "c"));
}

} // namespace
} // namespace qv::test
