#include "model/AppModel.h"
#include "support/Model.h"
#include "app/Backup.h"
#include "base/SingleInstance.h"
#include "base/Files.h"
#include "base/Text.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(SingleInstance, MutexNamesKeepDifferentPathsApartAndHoldNoBackslash) {
    std::string a = InstanceMutexName("C:\\Programme\\Quorvik\\qv6.exe");
    EXPECT_EQ(a.find('\\'), std::string::npos);
    EXPECT_NE(a, InstanceMutexName("C:\\Programme\\Quorvik2\\qv6.exe"));
    EXPECT_NE(a, InstanceMutexName("C:\\Programme\\Quorvik\\qv6.ex"));
    EXPECT_EQ(a, InstanceMutexName("C:\\Programme\\Quorvik\\qv6.exe"));
}

// A started copy of qv6.exe, ended when the object goes.
struct Started {
    PROCESS_INFORMATION pi{};
    bool ok = false;
    explicit Started(const std::string& exe) {
        STARTUPINFOA si{};
        si.cb = sizeof si;
        std::string cmd = "\"" + exe + "\"";
        ok = ::CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              ExtractFilePath(exe).c_str(), &si, &pi);
    }
    ~Started() {
        if (!ok) return;
        ::TerminateProcess(pi.hProcess, 0);
        ::WaitForSingleObject(pi.hProcess, 5000);
        ::CloseHandle(pi.hProcess);
        ::CloseHandle(pi.hThread);
    }
    // Waits up to ms for the process to end; its exit code, or -1 if it runs.
    long ExitCodeWithin(DWORD ms) {
        if (::WaitForSingleObject(pi.hProcess, ms) != WAIT_OBJECT_0) return -1;
        DWORD code = 0;
        ::GetExitCodeProcess(pi.hProcess, &code);
        return static_cast<long>(code);
    }
};

// Finds a visible top-level window titled "Quorvik 6" of the given process.
bool HasMainWindow(DWORD pid) {
    struct Search {
        DWORD pid;
        bool found;
    } s{pid, false};
    ::EnumWindows(
        [](HWND h, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(h, &owner);
            wchar_t title[64] = {};
            ::GetWindowTextW(h, title, 64);
            if (owner == s->pid && std::wstring(title) == L"Quorvik 6" && ::IsWindowVisible(h))
                s->found = true;
            return !s->found;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}

bool WaitForMainWindow(DWORD pid) {
    for (int i = 0; i < 300; ++i) {
        if (HasMainWindow(pid)) return true;
        ::Sleep(50);
    }
    return false;
}

TEST(SingleInstance, SecondStartOfTheSameFileEndsSilentlyACopyElsewhereRuns) {
    test::TempDir dir;
    // A private copy so that nothing else can hold this path's mutex.
    std::string exe = dir / "qv6.exe";
    ASSERT_TRUE(::CopyFileA((ExecutableDir() + "qv6.exe").c_str(), exe.c_str(), FALSE));
    ASSERT_TRUE(
        ::CopyFileA((ExecutableDir() + "qv6.lng").c_str(), (dir / "qv6.lng").c_str(), FALSE));
    ASSERT_TRUE(ForceDirectories(dir / "other"));
    std::string copy = dir / "other\\qv6.exe";
    ASSERT_TRUE(::CopyFileA(exe.c_str(), copy.c_str(), FALSE));
    ASSERT_TRUE(::CopyFileA((dir / "qv6.lng").c_str(), (dir / "other\\qv6.lng").c_str(), FALSE));

    Started first(exe);
    ASSERT_TRUE(first.ok);
    ASSERT_TRUE(WaitForMainWindow(first.pi.dwProcessId));

    Started second(exe);
    ASSERT_TRUE(second.ok);
    EXPECT_EQ(second.ExitCodeWithin(10000), 0);
    EXPECT_FALSE(HasMainWindow(second.pi.dwProcessId));

    Started elsewhere(copy);
    ASSERT_TRUE(elsewhere.ok);
    EXPECT_TRUE(WaitForMainWindow(elsewhere.pi.dwProcessId));
    EXPECT_EQ(elsewhere.ExitCodeWithin(0), -1) << "the copy in another folder keeps running";
    EXPECT_EQ(first.ExitCodeWithin(0), -1);
}

class BackupTest : public test::ModelTest {
  protected:
    static constexpr const char* kKey =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    void SetUp() override {
        saved_ = test::RegGetString(HKEY_CURRENT_USER, kKey, "startup");
        savedCommon_ = test::RegGetString(HKEY_LOCAL_MACHINE, kKey, "common startup");
        model.AppDir = app_.Path();
    }
    void TearDown() override {
        Restore(HKEY_CURRENT_USER, "startup", saved_);
        Restore(HKEY_LOCAL_MACHINE, "common startup", savedCommon_);
    }
    static void Restore(HKEY root, const char* name, const std::string& value) {
        if (value.rfind("<no", 0) == 0) {
            HKEY k;
            if (::RegOpenKeyExA(root, kKey, 0, KEY_SET_VALUE, &k) == ERROR_SUCCESS) {
                ::RegDeleteValueA(k, name);
                ::RegCloseKey(k);
            }
        } else {
            test::RegSetString(root, kKey, name, value);
        }
    }
    test::TempDir app_, user_, common_;
    std::string saved_, savedCommon_;
};

TEST_F(BackupTest, CopiesFilesOfBothFoldersCumulativelyAndSkipsSubfolders) {
    std::string user = user_.Path().substr(0, user_.Path().size() - 1); // no trailing backslash
    test::RegSetString(HKEY_CURRENT_USER, kKey, "startup", user);
    test::RegSetString(HKEY_LOCAL_MACHINE, kKey, "common startup", common_.Path());
    test::WriteBytes(user_ / "Tool.lnk", "link v1");
    test::WriteBytes(user_ / "desktop.ini", "[x]");
    ASSERT_TRUE(::CreateDirectoryA((user_ / "sub").c_str(), nullptr));
    test::WriteBytes(user_ / "zzz.txt", "after the subfolder");
    test::WriteBytes(common_ / "Common.lnk", "common");
    ::SetFileAttributesA((user_ / "desktop.ini").c_str(),
                         FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);

    BackupStartupFolders(model.AppDir);
    std::string backup = app_ / "backup\\";
    EXPECT_EQ(test::ReadBytes(backup + "Tool.lnk"), "link v1");
    EXPECT_EQ(test::ReadBytes(backup + "desktop.ini"), "[x]");
    EXPECT_EQ(test::ReadBytes(backup + "zzz.txt"), "after the subfolder");
    EXPECT_EQ(test::ReadBytes(backup + "Common.lnk"), "common");
    EXPECT_FALSE(DirectoryExists(backup + "sub"));
    EXPECT_FALSE(FileExists(backup + "sub"));

    // The first copy of a name is kept for good.
    test::WriteBytes(user_ / "Tool.lnk", "link v2");
    BackupStartupFolders(model.AppDir);
    EXPECT_EQ(test::ReadBytes(backup + "Tool.lnk"), "link v1");
}

TEST_F(BackupTest, MissingValuesAndFoldersAreSkippedSilently) {
    Restore(HKEY_CURRENT_USER, "startup", "<no value>");
    test::RegSetString(HKEY_LOCAL_MACHINE, kKey, "common startup", "C:\\does\\not\\exist");
    BackupStartupFolders(model.AppDir);
    EXPECT_TRUE(DirectoryExists(app_ / "backup"));
}

} // namespace
} // namespace qv
