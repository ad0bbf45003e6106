// Scheduled tasks, services and drivers, seeded in the test prefix through the
// Service Control Manager and as definition files in the system's Tasks
// folder, read and switched through the real API.
#include "autostart/ScanPlatform.h"
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

// Services created for a test and deleted with it, whatever happens.
class SeededServices {
  public:
    SeededServices() : scm_(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)) {}
    ~SeededServices() {
        for (SC_HANDLE s : made_) {
            ::DeleteService(s);
            ::CloseServiceHandle(s);
        }
        ::CloseServiceHandle(scm_);
    }
    bool Add(const std::string& name, const std::string& display, DWORD type, DWORD start,
             const std::string& image) {
        std::wstring w(image.begin(), image.end());
        std::wstring n(name.begin(), name.end()), d(display.begin(), display.end());
        SC_HANDLE s = ::CreateServiceW(scm_, n.c_str(), d.c_str(), SERVICE_ALL_ACCESS, type, start,
                                       SERVICE_ERROR_IGNORE, w.c_str(), nullptr, nullptr, nullptr,
                                       nullptr, nullptr);
        if (s) made_.push_back(s);
        return s != nullptr;
    }

  private:
    SC_HANDLE scm_;
    std::vector<SC_HANDLE> made_;
};

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
    EXPECT_EQ(RowOf(services, "qvtQuoted")->record.Checksum,
              WindowsScanPlatform().FileChecksum(exe));
}

TEST(SystemSources, TaskSwitchProbe) {
    const std::string folder = WindowsScanPlatform().SystemDirectory() + "\\Tasks\\QvTest";
    ::CreateDirectoryA((WindowsScanPlatform().SystemDirectory() + "\\Tasks").c_str(), nullptr);
    ::CreateDirectoryA(folder.c_str(), nullptr);
    const std::string xml =
        "<?xml version=\"1.0\"?><Task "
        "xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">"
        "<Triggers><LogonTrigger/></Triggers><Settings><Enabled>true</Enabled></Settings>"
        "<Actions><Exec><Command>notepad.exe</Command><Arguments>a "
        "b</Arguments></Exec></Actions></Task>";
    std::string u16 = "\xFF\xFE";
    for (char c : xml)
        u16 += std::string{c, '\0'};
    WriteFileAtomic(folder + "\\Probe", u16);
    for (auto& t : WindowsSystemSources().Tasks())
        printf("task %s %zu\n", t.path.c_str(), t.xml.size());
    auto rows = ScanTaskRows(WindowsScanPlatform(), WindowsSystemSources(), kTexts);
    const ScannedRow* r = RowOf(rows, "\\QvTest\\Probe");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->record.Detail.str(), "[Anmeldung] notepad.exe a b");
    SwitchResult s = WindowsSystemSources().SetTaskEnabled("\\QvTest\\Probe", false);
    printf("switch result %d\n", static_cast<int>(s));
    ::DeleteFileA((folder + "\\Probe").c_str());
    ::RemoveDirectoryA(folder.c_str());
}

} // namespace
} // namespace qv
