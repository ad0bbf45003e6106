// Scheduled tasks, services and drivers, seeded in the test prefix through the
// Service Control Manager and as definition files in the system's Tasks
// folder, read and switched through the real API.
#include "InactiveFixture.h"
#include "autostart/ScanPlatform.h"
#include "autostart/Scanner.h"
#include "autostart/SystemScan.h"
#include "autostart/SystemSwitch.h"
#include "base/Files.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <map>

namespace qv {
namespace {

const SourceTexts kTexts{{"Boot", "System", "Automatisch", "Manuell", "Deaktiviert"},
                         {"Anmeldung", "Systemstart", "Zeitplan", "Andere"}};

using test::SeededServices;
using test::Utf16;

const ScannedRow* RowOf(const std::vector<ScannedRow>& rows, std::string_view name) {
    for (const ScannedRow& r : rows)
        if (r.record.ValueName.view() == name || r.record.KeyPath.view() == name) return &r;
    return nullptr;
}

TEST(SystemSources, ServicesAndDriversGiveTheirRows) {
    test::TempDir dir;
    const std::string exe = dir / "svc host.exe";
    WriteFileAtomic(exe, "MZ");
    SeededServices seeded;
    ASSERT_TRUE(seeded.Add("qvtQuoted", "Quoted One", SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START,
                           "\"" + exe + "\" -run"));
    ASSERT_TRUE(seeded.Add("qvtUnquoted", "Unquoted", SERVICE_WIN32_OWN_PROCESS,
                           SERVICE_DEMAND_START, exe + " -k netsvcs"));
    ASSERT_TRUE(seeded.Add("qvtOff", "", SERVICE_WIN32_OWN_PROCESS, SERVICE_DISABLED,
                           "%SystemRoot%\\system32\\notepad.exe"));
    ASSERT_TRUE(seeded.Add("qvtLong", "Long", SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                           "c:\\" + std::string(32 * 1024, 'x')));
    ASSERT_TRUE(seeded.Add("qvtDrv", "Driver", SERVICE_KERNEL_DRIVER, SERVICE_BOOT_START,
                           "\\SystemRoot\\system32\\drivers\\qvt.sys"));
    // A service whose key lost its image path is still listed, with no file.
    ASSERT_TRUE(seeded.Add("qvtNoImage", "NoImage", SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                           "c:\\gone.exe"));
    ASSERT_TRUE(test::RegRemoveValue(
        HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\qvtNoImage", "ImagePath"));

    auto services = ScanServiceRows(WindowsScanPlatform(), WindowsSystemSources(), kTexts, false);
    auto drivers = ScanServiceRows(WindowsScanPlatform(), WindowsSystemSources(), kTexts, true);
    const std::string sys = WindowsScanPlatform().SystemDirectory();
    const std::string win = WindowsScanPlatform().WindowsDirectory();
    struct Want {
        const std::vector<ScannedRow>* rows;
        std::string name, caption, file, startWord;
        uint8_t active;
    };
    const Want wants[] = {
        {&services, "qvtQuoted", "Quoted One", exe, "Automatisch", 1},
        {&services, "qvtUnquoted", "Unquoted", exe, "Manuell", 1},
        {&services, "qvtOff", "qvtOff", sys + "\\notepad.exe", "Deaktiviert", 0},
        {&services, "qvtLong", "Long", "c:\\" + std::string(1021, 'x'), "Manuell", 1},
        {&services, "qvtNoImage", "NoImage", "", "Manuell", 1},
        {&drivers, "qvtDrv", "Driver", win + "\\system32\\drivers\\qvt.sys", "Boot", 1},
    };
    for (const Want& w : wants) {
        SCOPED_TRACE(w.name);
        const ScannedRow* r = RowOf(*w.rows, w.name);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->record.Caption.str(), w.caption);
        EXPECT_EQ(r->checkedFile, w.file);
        EXPECT_EQ(r->record.Detail.str(),
                  "[" + w.startWord + "] " + w.file.substr(0, 255 - 3 - w.startWord.size()));
        EXPECT_EQ(r->record.Active, w.active);
        EXPECT_EQ(r->record.Group, w.rows == &drivers ? kDriverGroupByte : kServiceGroupByte);
    }
    EXPECT_EQ(RowOf(services, "qvtDrv"), nullptr);
}

DWORD StartOf(const std::string& name) {
    SC_HANDLE scm = ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE s = ::OpenServiceA(scm, name.c_str(), SERVICE_QUERY_CONFIG);
    BYTE buf[8192];
    DWORD need = 0, start = 99;
    if (::QueryServiceConfigA(s, reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buf), sizeof buf, &need))
        start = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buf)->dwStartType;
    ::CloseServiceHandle(s);
    ::CloseServiceHandle(scm);
    return start;
}

// Task definition files in a folder of the system's Tasks folder, removed
// with it.
class SeededTasks {
  public:
    SeededTasks() {
        ::CreateDirectoryA((WindowsScanPlatform().SystemDirectory() + "\\Tasks").c_str(), nullptr);
        ::CreateDirectoryA(folder_.c_str(), nullptr);
    }
    ~SeededTasks() {
        for (const std::string& f : files_)
            ::DeleteFileA(f.c_str());
        ::RemoveDirectoryA(folder_.c_str());
    }
    void Add(const std::string& name, const std::string& bytes) {
        files_.push_back(folder_ + "\\" + name);
        WriteFileAtomic(files_.back(), bytes);
    }

  private:
    std::string folder_ = WindowsScanPlatform().SystemDirectory() + "\\Tasks\\QvTest";
    std::vector<std::string> files_;
};

class SystemEntries : public test::InactiveTestBase {
  protected:
    // A fresh scan, as after a start of the program.
    void Rescan() {
        ScanAutostartsWith(model, WindowsScanPlatform(), "C:\\EXPLORER.EXE");
        ASListIndex.clear();
        for (size_t i = 0; i < model.ASEntries.size(); ++i)
            ASListIndex.push_back(static_cast<uint16_t>(i));
    }
    size_t Row(uint8_t group, std::string_view key) {
        for (size_t r = 0; r < model.ASEntries.size(); ++r) {
            const AutostartEntry& e = model.ASEntries[r];
            if (e.Group == group && (e.ValueName.view() == key || e.KeyPath.view() == key))
                return r;
        }
        ADD_FAILURE() << "no row " << key;
        return 0;
    }
};

TEST_F(SystemEntries, ServiceStartTypeComesBackExactlyAfterARestart) {
    SeededServices seeded;
    const std::string image = WindowsScanPlatform().SystemDirectory() + "\\notepad.exe -x";
    ASSERT_TRUE(seeded.Add("qvtAuto", "A", SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, image));
    ASSERT_TRUE(
        seeded.Add("qvtDemand", "D", SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, image));
    for (const auto& [name, start] : {std::pair<std::string, DWORD>{"qvtAuto", SERVICE_AUTO_START},
                                      {"qvtDemand", SERVICE_DEMAND_START}}) {
        SCOPED_TRACE(name);
        Rescan();
        size_t r = Row(kServiceGroupByte, name);
        EXPECT_EQ(model.ASEntries[r].Checksum,
                  WindowsScanPlatform().FileChecksum(model.ASEntries[r].FileName.str()));
        EXPECT_EQ(test::LineOf(CheckMark(r, false).failure), -1);
        EXPECT_EQ(StartOf(name), static_cast<DWORD>(SERVICE_DISABLED));
        // The state lives in the Service Control Manager, not in the record
        // file: a restart lists the service once, unticked.
        EXPECT_EQ(DecodeRecords(ReadFileBytes(kInactiveEntriesFile).value_or("")).size(), 0u);
        Rescan();
        r = Row(kServiceGroupByte, name);
        EXPECT_EQ(model.ASEntries[r].Active, 0);
        EXPECT_EQ(test::LineOf(CheckMark(r, true).failure), -1);
        EXPECT_EQ(StartOf(name), start);
    }
    EXPECT_EQ(ReadFileBytes(model.AppDir + kServiceStartsFile).value_or("?"), "");
}

TEST_F(SystemEntries, TasksAndDriversRefuseWhatTheyCannotDo) {
    SeededServices seeded;
    ASSERT_TRUE(seeded.Add("qvtDrv", "Driver", SERVICE_KERNEL_DRIVER, SERVICE_SYSTEM_START,
                           "system32\\drivers\\qvt.sys"));
    SeededTasks tasks;
    const std::string body =
        "<Task xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\"><Triggers>"
        "<BootTrigger/></Triggers><Actions><Exec><Command>%windir%\\notepad.exe</Command>"
        "<Arguments>/p</Arguments></Exec></Actions></Task>";
    tasks.Add("Good", Utf16(body));
    tasks.Add("Utf8", body);
    tasks.Add("NotXml", "MZ\x90");
    tasks.Add("NoActions", Utf16("<Task><Settings><Enabled>false</Enabled></Settings></Task>"));
    Rescan();
    const std::string notepad = WindowsScanPlatform().WindowsDirectory() + "\\notepad.exe";
    struct Want {
        std::string path, file;
        uint8_t active;
    };
    for (const Want& w : {Want{"\\QvTest\\Good", notepad, 1}, Want{"\\QvTest\\Utf8", notepad, 1},
                          Want{"\\QvTest\\NoActions", "", 0}}) {
        SCOPED_TRACE(w.path);
        const AutostartEntry& e = model.ASEntries[Row(kTaskGroupByte, w.path)];
        EXPECT_EQ(e.FileName.str(), w.file);
        EXPECT_EQ(e.Active, w.active);
    }
    EXPECT_EQ(model.ASEntries[Row(kTaskGroupByte, "\\QvTest\\Good")].ValueData.str(),
              "%windir%\\notepad.exe /p");
    for (const AutostartEntry& e : model.ASEntries)
        EXPECT_NE(e.KeyPath.str(), "\\QvTest\\NotXml");

    // Wine's scheduler takes the switch and keeps the task on: said so, and
    // nothing is recorded.
    const size_t task = Row(kTaskGroupByte, "\\QvTest\\Good");
    CheckMarkOutcome out = CheckMark(task, false);
    EXPECT_EQ(test::LineOf(out.failure), LineNumber(Lng::TaskSwitchIgnored));
    EXPECT_EQ(out.failure->args, std::vector<std::string>{"\\QvTest\\Good"});
    EXPECT_EQ(out.setCheck, std::optional<bool>(true));
    EXPECT_EQ(model.ASEntries[task].Active, 1);
    EXPECT_FALSE(FileExists(kInactiveEntriesFile));

    out = CheckMark(Row(kDriverGroupByte, "qvtDrv"), false);
    EXPECT_EQ(test::LineOf(out.failure), LineNumber(Lng::DriverReadOnly));
    EXPECT_EQ(StartOf("qvtDrv"), static_cast<DWORD>(SERVICE_SYSTEM_START));
}

} // namespace
} // namespace qv
