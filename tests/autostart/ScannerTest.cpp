// The scanner against the real registry, ini files and file system of the
// test prefix: every source seeded, every field of every entry compared.
#include "AutostartMachine.h"

#include "model/AppModel.h"
#include "autostart/AutostartEntry.h"
#include "autostart/ScanPlatform.h"
#include "autostart/Scanner.h"
#include "base/Files.h"
#include "base/Handles.h"
#include "base/Text.h"
#include "database/CRC.h"
#include "support/Entries.h"
#include "support/TestSupport.h"
#include "base/WinText.h"

#include <gtest/gtest.h>
#include <sddl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>

namespace qv::test {
namespace {

const std::string kCV = "Software\\Microsoft\\Windows\\CurrentVersion\\";
const std::string kActiveSetup = "Software\\Microsoft\\Active Setup\\Installed Components";
const std::string kVxD = "System\\CurrentControlSet\\Services\\VxD";
const std::string kIcq = "Software\\Mirabilis\\ICQ\\Agent\\Apps";

int32_t Crc(const std::string& bytes) {
    return static_cast<int32_t>(~UpdateCRC32(0xFFFFFFFFu, bytes.data(), bytes.size()));
}

// The ini lines: the value is also the detail.
AutostartEntry Ini(const std::string& file, const std::string& section, const std::string& key,
                   const std::string& value, const std::string& caption, uint8_t flag) {
    return IniEntry(file, section, key, value, caption, value, GroupByte(AutostartGroup::IniLines),
                    flag);
}

std::string Describe(const AutostartEntry& e) {
    std::ostringstream s;
    s << "{kind " << int(e.Kind) << " file '" << e.FileName.view() << "' root '" << e.RootKey.view()
      << "' key '" << e.KeyPath.view() << "' name '" << e.ValueName.view() << "' data '"
      << e.ValueData.view() << "' flag " << int(e.SourceFlag) << " active " << int(e.Active)
      << " caption '" << e.Caption.view() << "' detail '" << e.Detail.view() << "' group "
      << int(e.Group) << " crc " << e.Checksum << "}";
    return s.str();
}

void ScanRegistryAndFiles(AppModel& model) {
    RegistryAndFilesPlatform platform;
    ScanAutostartsWith(model, platform, model.LanguageTable[Lng::ExplorerCaption]);
}

// All 1800 bytes of every entry, in order.
void ExpectEntries(const AppModel& model, const std::vector<AutostartEntry>& expected) {
    ASSERT_EQ(model.ASEntries.size(), expected.size()) << [&] {
        std::string all;
        for (const auto& e : model.ASEntries)
            all += Describe(e) + "\n";
        return all;
    }();
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(std::memcmp(&model.ASEntries[i], &expected[i], kRecordSize), 0)
            << "entry " << i << "\n got      " << Describe(model.ASEntries[i]) << "\n expected "
            << Describe(expected[i]);
}

void MakeLink(const std::string& linkPath, const std::string& target) {
    ComPtr<IShellLinkA> link;
    ASSERT_TRUE(SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                             IID_IShellLinkA, link.put_void())));
    ASSERT_TRUE(SUCCEEDED(link->SetPath(target.c_str())));
    ComPtr<IPersistFile> file;
    ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.put_void())));
    ASSERT_TRUE(SUCCEEDED(file->Save(ToWide(linkPath).c_str(), TRUE)));
}

// The directory's names in the order the system lists them.
std::vector<std::string> FolderOrder(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    FindHandle find(::FindFirstFileA((folder + "\\*.*").c_str(), &fd));
    if (find) do {
            std::string n = fd.cFileName;
            if (n != "." && n != "..") names.push_back(n);
        } while (::FindNextFileA(find.get(), &fd));
    return names;
}

TEST(Scanner, MachineWithoutAutostartPointsGivesNoEntries) {
    AppModel model;
    AutostartMachine machine;
    // Only HKEY_LOCAL_MACHINE knows RunServicesOnce; a user key of that name
    // is not an autostart point.
    RegSetString(HKEY_CURRENT_USER, kCV + "RunServicesOnce", "ignored", "x.exe");
    RegSetString(HKEY_CURRENT_USER, kCV + "RunOnceEx", "ignored", "x.exe");
    model.ASEntries.assign(3, ZeroEntry());
    model.WindowsDir = "stale";
    model.SystemDir = "stale";
    ScanRegistryAndFiles(model);
    ExpectEntries(model, {});
    EXPECT_EQ(model.WindowsDir, machine.WindowsDir());
    EXPECT_EQ(model.SystemDir, machine.SystemDir());
    EXPECT_EQ(UpperAscii(model.WindowsDir), "C:\\WINDOWS\\");
}

TEST(Scanner, EverySourceInOrderWithEveryField) {
    AppModel model;
    AutostartMachine machine;
    model.LanguageTable.LoadFromBytes(ReadFileBytes("qv6.lng").value_or(""));
    ASSERT_FALSE(model.LanguageTable[LineAt(9)].empty());
    const std::string longData(300, 'x');

    // Run keys. Names sort the way they are created, so the order is the same
    // whether the registry lists values by creation or by name.
    RegSetString(HKEY_CURRENT_USER, kCV + "Run", "", "C:\\def.exe");
    RegSetString(HKEY_CURRENT_USER, kCV + "Run", "A1", "a.exe /x");
    RegSetDword(HKEY_CURRENT_USER, kCV + "Run", "B2", 7);
    RegSetString(HKEY_CURRENT_USER, kCV + "Run", "C3", "%SystemRoot%\\c.exe", REG_EXPAND_SZ);
    RegSetString(HKEY_CURRENT_USER, kCV + "Run", "D4", longData);
    RegSetRaw(HKEY_CURRENT_USER, kCV + "Run", "E5", REG_MULTI_SZ, std::string("m1\0m2\0\0", 7));
    RegSetRaw(HKEY_CURRENT_USER, kCV + "Run", "F6", REG_BINARY, "\x01\x02");
    RegSetRaw(HKEY_CURRENT_USER, kCV + "Run", "G7", REG_SZ, "noterm"); // no terminating NUL
    RegSetString(HKEY_CURRENT_USER, kCV + "RunServices", "svc", "s.exe");
    RegSetString(HKEY_CURRENT_USER, kCV + "RunOnce", "once", "o.exe");
    RegSetString(HKEY_CURRENT_USER, kCV + "RunServicesOnce", "ignored", "x.exe");
    RegSetString(HKEY_LOCAL_MACHINE, kCV + "Run", "M", "m.exe");
    RegSetString(HKEY_LOCAL_MACHINE, kCV + "RunServices", "MS", "ms.exe");
    RegSetString(HKEY_LOCAL_MACHINE, kCV + "RunOnce", "MO", "mo.exe");
    RegSetString(HKEY_LOCAL_MACHINE, kCV + "RunServicesOnce", "MSO", "mso.exe");
    RegSetString(HKEY_LOCAL_MACHINE, kCV + "RunOnceEx", "Title", "Setup");
    RegSetString(HKEY_LOCAL_MACHINE, kCV + "RunOnceEx\\0001", "x", "sub.exe");

    // Shell open commands; the COM key opens but has no default value, the
    // PIF key does not exist.
    RegSetString(HKEY_CLASSES_ROOT, "exefile\\shell\\open\\command", "", "\"%1\" %*");
    RegSetString(HKEY_CLASSES_ROOT, "comfile\\shell\\open\\command", "other", "zzz");
    RegSetString(HKEY_CLASSES_ROOT, "batfile\\shell\\open\\command", "", "\"%1\" bat");
    RegSetString(HKEY_CLASSES_ROOT, "htafile\\Shell\\open\\Command", "", "mshta.exe \"%1\"");

    // Active Setup: with StubPath, without, written in lower case, as DWORD.
    RegSetString(HKEY_LOCAL_MACHINE, kActiveSetup + "\\{A1}", "", "Component A");
    RegSetString(HKEY_LOCAL_MACHINE, kActiveSetup + "\\{A1}", "StubPath", "a-stub.exe");
    RegSetString(HKEY_LOCAL_MACHINE, kActiveSetup + "\\{B2}", "Version", "1");
    RegSetString(HKEY_LOCAL_MACHINE, kActiveSetup + "\\{C3}", "stubpath", "c-stub.exe");
    RegSetDword(HKEY_LOCAL_MACHINE, kActiveSetup + "\\{D4}", "StubPath", 1);

    RegSetString(HKEY_LOCAL_MACHINE, kVxD + "\\Alpha", "StaticVxD", "*vmm");
    RegSetString(HKEY_LOCAL_MACHINE, kVxD + "\\Beta", "Start", "0");
    RegSetString(HKEY_LOCAL_MACHINE, kVxD + "\\Gamma", "staticvxd", "gamma.vxd");

    RegSetString(HKEY_CURRENT_USER, kIcq, "App1", "c:\\icq\\a.exe");
    RegSetDword(HKEY_CURRENT_USER, kIcq, "App2", 3);
    RegSetString(HKEY_CURRENT_USER, kIcq + "\\test", "T1", "t.exe");
    RegSetString(HKEY_CURRENT_USER, kIcq + "\\zother", "O", "o.exe");

    // Startup folders: the system's own, so that the shell never points the
    // registry elsewhere in the middle of the test.
    TempDir programs;
    auto user = [&](const std::string& name) { return machine.UserStartup() + "\\" + name; };
    auto common = [&](const std::string& name) { return machine.CommonStartup() + "\\" + name; };
    const std::string toolBytes = "tool program bytes", notesBytes = "some notes";
    WriteBytes(programs / "tool.exe", toolBytes);
    WriteBytes(programs / "notes.txt", notesBytes);
    MakeLink(user("Tool.lnk"), programs / "tool.exe");
    MakeLink(user("notes.Lnk"), programs / "notes.txt");
    WriteBytes(user("lnk"), "not a link");
    WriteBytes(user("bad.lnk"), "garbage, not a shell link");
    WriteBytes(user("empty.txt"), "");
    WriteBytes(user("desktop.ini"), "[.ShellClassInfo]");
    ASSERT_TRUE(::SetFileAttributesA(user("desktop.ini").c_str(),
                                     FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    ASSERT_TRUE(::CreateDirectoryA(user("sub").c_str(), nullptr));
    WriteBytes(common("common.exe"), "common");
    machine.SetUserStartup(machine.UserStartup());
    machine.SetCommonStartup(machine.CommonStartup());

    // win.ini and system.ini, keys written in other cases.
    machine.SetIni(machine.WinIni(), "windows", "LOAD", "");
    machine.SetIni(machine.WinIni(), "windows", "Run", "c:\\r.exe");
    machine.SetIni(machine.SystemIni(), "boot", "Shell", "Explorer.exe evil.exe");

    // Boot files; c:\win.bat is a folder and does not count.
    const std::string wd = machine.WindowsDir();
    machine.CreateFolder(wd + "command");
    machine.CreateFile(wd + "command\\cmdinit.bat", "rem init");
    machine.CreateFile("c:\\autoexec.bat", "@echo off\r\n");
    machine.CreateFile("c:\\config.sys", "FILES=40\r\n");
    machine.CreateFolder("c:\\win.bat");
    machine.CreateFile(wd + "wininit.ini", "[rename]\r\n");
    machine.CreateFile("c:\\explorer.exe", "MZ fake");

    const char* cu = kRootCurrentUser;
    const char* lm = kRootLocalMachine;
    const char* cr = kRootClassesRoot;
    const std::string run = kCV + "Run";
    std::vector<AutostartEntry> expected = {
        RegEntry(cu, run, "", "C:\\def.exe", "", "C:\\def.exe", 0, 0),
        RegEntry(cu, run, "A1", "a.exe /x", "A1", "a.exe /x", 0, 0),
        RegEntry(cu, run, "C3", "%SystemRoot%\\c.exe", "C3", "%SystemRoot%\\c.exe", 0, 0),
        RegEntry(cu, run, "D4", longData, "D4", longData, 0, 0),
        RegEntry(cu, run, "G7", "noterm", "G7", "noterm", 0, 0),
        RegEntry(cu, kCV + "RunServices", "svc", "s.exe", "svc", "s.exe", 0, 0),
        RegEntry(cu, kCV + "RunOnce", "once", "o.exe", "once", "o.exe", 0, 0),
        RegEntry(lm, run, "M", "m.exe", "M", "m.exe", 0, 0),
        RegEntry(lm, kCV + "RunServices", "MS", "ms.exe", "MS", "ms.exe", 0, 0),
        RegEntry(lm, kCV + "RunOnce", "MO", "mo.exe", "MO", "mo.exe", 0, 0),
        RegEntry(lm, kCV + "RunServicesOnce", "MSO", "mso.exe", "MSO", "mso.exe", 0, 0),
        RegEntry(lm, kCV + "RunOnceEx", "Title", "Setup", "Title", "Setup", 0, 0),
        RegEntry(cr, "\\exefile\\shell\\open\\command", "", "\"%1\" %*", "EXE", "\"%1\" %*", 1, 0),
        RegEntry(cr, "\\comfile\\shell\\open\\command", "", "", "COM", "", 1, 0),
        RegEntry(cr, "\\batfile\\shell\\open\\command", "", "\"%1\" bat", "BAT", "\"%1\" bat", 1,
                 0),
        RegEntry(cr, "\\htafile\\Shell\\open\\Command", "", "mshta.exe \"%1\"", "HTA",
                 "mshta.exe \"%1\"", 1, 0),
        RegEntry(lm, "\\" + kActiveSetup + "\\{A1}", "StubPath", "a-stub.exe", "{A1}",
                 "Component A", 2, 1),
        RegEntry(lm, "\\" + kActiveSetup + "\\{C3}", "StubPath", "c-stub.exe", "{C3}", "", 2, 1),
        RegEntry(lm, "\\" + kVxD + "\\Alpha", "StaticVxD", "*vmm", "*vmm", "Alpha", 3, 1),
        RegEntry(lm, "\\" + kVxD + "\\Gamma", "StaticVxD", "gamma.vxd", "gamma.vxd", "Gamma", 3, 1),
        RegEntry(cu, "\\" + kIcq, "App1", "c:\\icq\\a.exe", "App1", "c:\\icq\\a.exe", 4, 1),
        RegEntry(cu, "\\" + kIcq + "\\test", "T1", "t.exe", "T1", "t.exe", 4, 1),
    };
    const std::string u = machine.UserStartup() + "\\";
    std::map<std::string, AutostartEntry> userFiles = {
        {"Tool.lnk",
         FileEntry(u + "Tool.lnk", "Tool.lnk", programs / "tool.exe", 5, 0, Crc(toolBytes))},
        {"notes.Lnk",
         FileEntry(u + "notes.Lnk", "notes.Lnk", programs / "notes.txt", 5, 0, Crc(notesBytes))},
        {"lnk", FileEntry(u + "lnk", "lnk", "lnk", 5, 0, Crc("not a link"))},
        {"bad.lnk", FileEntry(u + "bad.lnk", "bad.lnk", "", 5, 0, -1)},
        {"empty.txt", FileEntry(u + "empty.txt", "empty.txt", "empty.txt", 5, 0, -1)},
        {"desktop.ini", FileEntry(u + "desktop.ini", "desktop.ini", "desktop.ini", 5, 0,
                                  Crc("[.ShellClassInfo]"))},
        {"sub", FileEntry(u + "sub", "sub", "sub", 5, 0, -1)},
    };
    std::vector<std::string> order = FolderOrder(machine.UserStartup());
    ASSERT_EQ(order.size(), userFiles.size());
    for (const std::string& name : order)
        expected.push_back(userFiles.at(name));
    expected.push_back(
        FileEntry(common("common.exe"), "common.exe", "common.exe", 5, 0, Crc("common")));
    expected.push_back(Ini(wd + "win.ini", "windows", "load", "", "[WIN.INI] [WINDOWS] LOAD", 0));
    expected.push_back(
        Ini(wd + "win.ini", "windows", "run", "c:\\r.exe", "[WIN.INI] [WINDOWS] RUN", 0));
    expected.push_back(Ini(wd + "system.ini", "boot", "shell", "Explorer.exe evil.exe",
                           "[SYSTEM.INI] [BOOT] SHELL", 1));
    expected.push_back(FileEntry(wd + "command\\cmdinit.bat", wd + "command\\cmdinit.bat", "", 7, 1,
                                 Crc("rem init")));
    expected.push_back(
        FileEntry("c:\\autoexec.bat", "c:\\autoexec.bat", "", 7, 1, Crc("@echo off\r\n")));
    expected.push_back(
        FileEntry("c:\\config.sys", "c:\\config.sys", "", 7, 1, Crc("FILES=40\r\n")));
    expected.push_back(
        FileEntry(wd + "wininit.ini", wd + "wininit.ini", "", 7, 1, Crc("[rename]\r\n")));
    expected.push_back(
        FileEntry("c:\\explorer.exe", model.LanguageTable[LineAt(9)], "", 8, 1, Crc("MZ fake")));

    ScanRegistryAndFiles(model);
    ExpectEntries(model, expected);
    EXPECT_EQ(model.ASEntries[3].ValueData.Length, 255);

    // A second scan replaces the list instead of adding to it, and a changed
    // link target changes the link's checksum.
    WriteBytes(programs / "tool.exe", "tool program bytes, patched");
    ScanRegistryAndFiles(model);
    for (auto& e : expected)
        if (e.Caption.view() == "Tool.lnk") e.Checksum = Crc("tool program bytes, patched");
    ExpectEntries(model, expected);
}

TEST(Scanner, StartupValuesThatNameNoFolderAreSkipped) {
    AppModel model;
    AutostartMachine machine;
    TempDir dir;
    WriteBytes(dir / "file.exe", "x");
    machine.SetUserStartup(dir / "file.exe");         // a file, not a folder
    machine.SetCommonStartup(dir / "missing-folder"); // nothing there
    ScanRegistryAndFiles(model);
    ExpectEntries(model, {});

    // A DWORD where the folder path belongs is no folder either.
    RegSetDword(HKEY_CURRENT_USER,
                "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "startup",
                1);
    ScanRegistryAndFiles(model);
    ExpectEntries(model, {});
}

TEST(Scanner, ValuesThatAreNotTextDoNotStopTheScan) {
    AppModel model;
    AutostartMachine machine;
    // A DWORD and a binary value between text values, in several sources.
    RegSetString(HKEY_LOCAL_MACHINE, kCV + "Run", "a", "first.exe");
    RegSetDword(HKEY_LOCAL_MACHINE, kCV + "Run", "b", 1);
    RegSetString(HKEY_LOCAL_MACHINE, kCV + "Run", "c", "second.exe");
    RegSetDword(HKEY_CURRENT_USER, kIcq, "a", 1);
    RegSetString(HKEY_CURRENT_USER, kIcq, "b", "icq.exe");
    RegSetRaw(HKEY_CLASSES_ROOT, "exefile\\shell\\open\\command", "", REG_BINARY, "\x01");
    machine.CreateFile("c:\\config.sys", "x");
    ScanRegistryAndFiles(model);
    const char* lm = kRootLocalMachine;
    ExpectEntries(
        model,
        {
            RegEntry(lm, kCV + "Run", "a", "first.exe", "a", "first.exe", 0, 0),
            RegEntry(lm, kCV + "Run", "c", "second.exe", "c", "second.exe", 0, 0),
            // The command key opens: it gives its entry, with no text to show.
            RegEntry(kRootClassesRoot, "\\exefile\\shell\\open\\command", "", "", "EXE", "", 1, 0),
            RegEntry(kRootCurrentUser, "\\" + kIcq, "b", "icq.exe", "b", "icq.exe", 4, 1),
            FileEntry("c:\\config.sys", "c:\\config.sys", "", 7, 1, Crc("x")),
        });
}

// Writes a string value through the 32-bit registry view, as a 32-bit
// installer on 64-bit Windows does: the plain path, redirected by the system.
void SetIn32BitView(HKEY root, const std::string& key, const std::string& name,
                    const std::string& value) {
    RegSetRaw(root, key, name, REG_SZ, value + '\0', KEY_WOW64_32KEY);
}

const std::string kWowCV = "Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\";
const std::string kWowActiveSetup =
    "Software\\WOW6432Node\\Microsoft\\Active Setup\\Installed Components";
const std::string kPolicyRun = kCV + "Policies\\Explorer\\Run";

TEST(Scanner, AValueOfThe32BitViewIsReadUnderItsWow6432NodePath) {
    AppModel model;
    AutostartMachine machine;
    SetIn32BitView(HKEY_LOCAL_MACHINE, kCV + "Run", "only32", "x32.exe");
    RegSetString(HKEY_LOCAL_MACHINE, kCV + "Run", "native", "x.exe");
    ScanRegistryAndFiles(model);
    ExpectEntries(model, {
                             RegEntry(kRootLocalMachine, kCV + "Run", "native", "x.exe", "native",
                                      "x.exe", 0, 0),
                             RegEntry(kRootLocalMachine, kWowCV + "Run", "only32", "x32.exe",
                                      "only32", "x32.exe", 0, 0),
                         });
}

TEST(Scanner, TheNewSourcesFollowTheDescribedOnesWithTheirOwnPaths) {
    AppModel model;
    AutostartMachine machine;
    const char* cu = kRootCurrentUser;
    const char* lm = kRootLocalMachine;
    RegSetString(HKEY_CURRENT_USER, kCV + "Run", "user", "u.exe");
    RegSetString(HKEY_LOCAL_MACHINE, kCV + "Run", "Tool", "tool.exe");
    RegSetString(HKEY_LOCAL_MACHINE, kActiveSetup + "\\{A1}", "StubPath", "a.exe");
    machine.CreateFile("c:\\config.sys", "FILES=40");
    // The same value in both views, one only in the 32-bit view, and the
    // other 32-bit run keys; a RunOnceEx subkey is not read there either.
    SetIn32BitView(HKEY_LOCAL_MACHINE, kCV + "Run", "Tool", "tool.exe");
    SetIn32BitView(HKEY_LOCAL_MACHINE, kCV + "Run", "Zeta32", "z32.exe");
    RegSetString(HKEY_LOCAL_MACHINE, kWowCV + "RunServices", "svc32", "s32.exe");
    RegSetString(HKEY_LOCAL_MACHINE, kWowCV + "RunOnce", "once32", "o32.exe");
    RegSetString(HKEY_LOCAL_MACHINE, kWowCV + "RunServicesOnce", "so32", "so32.exe");
    RegSetString(HKEY_LOCAL_MACHINE, kWowCV + "RunOnceEx", "Title", "Setup32");
    RegSetString(HKEY_LOCAL_MACHINE, kWowCV + "RunOnceEx\\0001", "x", "sub32.exe");
    RegSetString(HKEY_CURRENT_USER, kPolicyRun, "1", "policy-user.exe");
    RegSetString(HKEY_LOCAL_MACHINE, kPolicyRun, "1", "policy-machine.exe");
    RegSetString(HKEY_LOCAL_MACHINE, kWowActiveSetup + "\\{W1}", "", "Component W");
    RegSetString(HKEY_LOCAL_MACHINE, kWowActiveSetup + "\\{W1}", "StubPath", "w-stub.exe");
    RegSetString(HKEY_LOCAL_MACHINE, kWowActiveSetup + "\\{W2}", "Version", "1");

    ScanRegistryAndFiles(model);
    ExpectEntries(
        model,
        {
            RegEntry(cu, kCV + "Run", "user", "u.exe", "user", "u.exe", 0, 0),
            RegEntry(lm, kCV + "Run", "Tool", "tool.exe", "Tool", "tool.exe", 0, 0),
            RegEntry(lm, "\\" + kActiveSetup + "\\{A1}", "StubPath", "a.exe", "{A1}", "", 2, 1),
            FileEntry("c:\\config.sys", "c:\\config.sys", "", 7, 1, Crc("FILES=40")),
            RegEntry(lm, kWowCV + "Run", "Tool", "tool.exe", "Tool", "tool.exe", 0, 0),
            RegEntry(lm, kWowCV + "Run", "Zeta32", "z32.exe", "Zeta32", "z32.exe", 0, 0),
            RegEntry(lm, kWowCV + "RunServices", "svc32", "s32.exe", "svc32", "s32.exe", 0, 0),
            RegEntry(lm, kWowCV + "RunOnce", "once32", "o32.exe", "once32", "o32.exe", 0, 0),
            RegEntry(lm, kWowCV + "RunServicesOnce", "so32", "so32.exe", "so32", "so32.exe", 0, 0),
            RegEntry(lm, kWowCV + "RunOnceEx", "Title", "Setup32", "Title", "Setup32", 0, 0),
            RegEntry(cu, kPolicyRun, "1", "policy-user.exe", "1", "policy-user.exe", 0, 0),
            RegEntry(lm, kPolicyRun, "1", "policy-machine.exe", "1", "policy-machine.exe", 0, 0),
            RegEntry(lm, "\\" + kWowActiveSetup + "\\{W1}", "StubPath", "w-stub.exe", "{W1}",
                     "Component W", 2, 1),
        });
    // The same command in both views is two autostart points.
    EXPECT_FALSE(SameAutostartPoint(model.ASEntries[1], model.ASEntries[4], false));
}

TEST(Scanner, BadInputInTheNewKeysIsSkippedOrCut) {
    AppModel model;
    AutostartMachine machine;
    // Sorted behind the others, whether the registry lists by name or by age.
    const std::string longName(16383, 'z');
    {
        RegKey k;
        ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, (kWowCV + "Run").c_str(), 0, nullptr, 0,
                                    KEY_WRITE, nullptr, k.put(), nullptr),
                  ERROR_SUCCESS);
        for (int i = 0; i < 10000; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "v%05d", i);
            std::string data = std::string("c:\\p\\") + name + ".exe";
            ASSERT_EQ(::RegSetValueExA(k.get(), name, 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(data.c_str()),
                                       static_cast<DWORD>(data.size() + 1)),
                      ERROR_SUCCESS);
        }
    }
    RegSetDword(HKEY_LOCAL_MACHINE, kWowCV + "Run", "w-dword", 1);
    RegSetRaw(HKEY_LOCAL_MACHINE, kWowCV + "Run", "w-binary", REG_BINARY, "\x01\x02");
    RegSetString(HKEY_LOCAL_MACHINE, kWowCV + "Run", longName, "long.exe");
    RegSetRaw(HKEY_CURRENT_USER, kPolicyRun, "multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5));
    RegSetString(HKEY_CURRENT_USER, kPolicyRun, "text", "policy.exe");
    // A 32-bit key that refuses to be read is left out; the scan goes on.
    RegSetString(HKEY_LOCAL_MACHINE, kWowCV + "RunOnce", "hidden", "hidden.exe");
    auto setDacl = [](const char* sddl) {
        RegKey k;
        ASSERT_EQ(::RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kWowCV + "RunOnce").c_str(), 0, WRITE_DAC,
                                  k.put()),
                  ERROR_SUCCESS);
        PSECURITY_DESCRIPTOR sd = nullptr;
        ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1,
                                                                           &sd, nullptr));
        EXPECT_EQ(::RegSetKeySecurity(k.get(), DACL_SECURITY_INFORMATION, sd), ERROR_SUCCESS);
        ::LocalFree(sd);
    };
    setDacl("D:(D;;KR;;;WD)(A;;KA;;;WD)");
    {
        RegKey k;
        EXPECT_EQ(
            ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kWowCV + "RunOnce").c_str(), 0, KEY_READ, k.put()),
            ERROR_ACCESS_DENIED);
    }

    ScanRegistryAndFiles(model);
    setDacl("D:(A;;KA;;;WD)");
    ASSERT_EQ(model.ASEntries.size(), 10002u);
    for (int i = 0; i < 10000; ++i)
        ASSERT_EQ(model.ASEntries[static_cast<size_t>(i)].KeyPath.view(), kWowCV + "Run") << i;
    EXPECT_EQ(model.ASEntries[0].ValueName.view(), "v00000");
    EXPECT_EQ(model.ASEntries[9999].ValueData.view(), "c:\\p\\v09999.exe");
    const AutostartEntry& cut = model.ASEntries[10000];
    EXPECT_EQ(cut.ValueName.Length, 255);
    EXPECT_EQ(cut.ValueName.view(), longName.substr(0, 255));
    EXPECT_EQ(cut.Caption.view(), longName.substr(0, 255));
    EXPECT_EQ(cut.ValueData.view(), "long.exe");
    const AutostartEntry policy =
        RegEntry(kRootCurrentUser, kPolicyRun, "text", "policy.exe", "text", "policy.exe", 0, 0);
    EXPECT_EQ(std::memcmp(&model.ASEntries[10001], &policy, kRecordSize), 0);
}

TEST(Scanner, TheGuardWatchesBothViewsAndThePolicyKeys) {
    AppModel model;
    AutostartMachine machine;
    RegSetString(HKEY_CURRENT_USER, kCV + "Run", "user", "u.exe");
    SetIn32BitView(HKEY_LOCAL_MACHINE, kCV + "Run", "w32", "w.exe");
    RegSetString(HKEY_LOCAL_MACHINE, kPolicyRun, "p", "p.exe");
    RegSetString(HKEY_LOCAL_MACHINE, kWowActiveSetup + "\\{W1}", "StubPath", "not-watched.exe");
    WriteBytes(machine.UserStartup() + "\\start.txt", "s");
    machine.SetUserStartup(machine.UserStartup());

    // The guard's entries are filled as the full scan fills them, so that
    // the known-entries database recognises them.
    RegistryAndFilesPlatform platform;
    model.ASEntries = ScanWatchedSources(platform);
    ExpectEntries(
        model,
        {
            RegEntry(kRootCurrentUser, kCV + "Run", "user", "u.exe", "user", "u.exe", 0, 0),
            FileEntry(machine.UserStartup() + "\\start.txt", "start.txt", "start.txt", 5, 0,
                      Crc("s")),
            RegEntry(kRootLocalMachine, kWowCV + "Run", "w32", "w.exe", "w32", "w.exe", 0, 0),
            RegEntry(kRootLocalMachine, kPolicyRun, "p", "p.exe", "p", "p.exe", 0, 0),
        });
    std::vector<AutostartEntry> watched = model.ASEntries;
    ScanRegistryAndFiles(model);
    for (const AutostartEntry& w : watched) {
        bool inFullScan = false;
        for (const AutostartEntry& e : model.ASEntries)
            inFullScan = inFullScan || std::memcmp(&e, &w, kRecordSize) == 0;
        EXPECT_TRUE(inFullScan) << Describe(w);
    }
}

} // namespace
} // namespace qv::test
