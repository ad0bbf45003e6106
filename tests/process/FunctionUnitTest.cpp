#include "base/Files.h"
#include "base/Text.h"
#include "model/AppModel.h"
#include "process/FunctionUnit.h"
#include "support/TestSupport.h"
#include "base/WinText.h"

#include <gtest/gtest.h>

#include <shlobj.h>
#include <shobjidl.h>

#include <thread>

namespace qv {
namespace {

void MakeLink(const std::string& linkPath, const std::string& target) {
    ComPtr<IShellLinkA> link;
    ASSERT_TRUE(SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                             IID_IShellLinkA, link.put_void())));
    link->SetPath(target.c_str());
    ComPtr<IPersistFile> file;
    ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.put_void())));
    ASSERT_TRUE(SUCCEEDED(file->Save(ToWide(linkPath).c_str(), TRUE)));
}

TEST(FunctionUnit, ResolveShortcutGivesTheTargetOrEmptyText) {
    test::TempDir dir;
    std::string target = dir / "tool.exe";
    test::WriteBytes(target, "MZ");
    MakeLink(dir / "Tool.lnk", target);
    EXPECT_TRUE(SameTextAscii(ResolveShortcut(ToWide(dir / "Tool.lnk")), target));

    test::WriteBytes(dir / "broken.lnk", "this is not a shell link");
    EXPECT_EQ(ResolveShortcut(ToWide(dir / "broken.lnk")), "");
    EXPECT_EQ(ResolveShortcut(ToWide(dir / "missing.lnk")), "");

    // The window program's thread has no COM until something needs it.
    std::string fresh;
    std::thread([&] { fresh = ResolveShortcut(ToWide(dir / "Tool.lnk")); }).join();
    EXPECT_TRUE(SameTextAscii(fresh, target));
}

TEST(FunctionUnit, ShellOpenStartsAProgramAndReportsFailure) {
    test::TempDir dir;
    std::string marker = dir / "ran.txt";
    test::WriteBytes(dir / "job.bat", "@echo ok> \"" + marker + "\"\r\n");
    EXPECT_FALSE(ShellOpen(dir / "job.bat"));
    for (int i = 0; i < 200 && !FileExists(marker); ++i)
        ::Sleep(50);
    EXPECT_TRUE(FileExists(marker));

    EXPECT_TRUE(ShellOpen(dir / "no such file.exe"));
}

TEST(FunctionUnit, LoadFileIconFallsBackToDefaultIco) {
    // The program's own icon.
    EXPECT_TRUE(LoadFileIcon(ExecutableDir() + "qv6.exe"));

    test::TempDir dir;
    char old[MAX_PATH];
    ::GetCurrentDirectoryA(MAX_PATH, old);
    ASSERT_TRUE(::SetCurrentDirectoryA(dir.Path().c_str()));
    ASSERT_TRUE(::CopyFileA((ExecutableDir() + "default.ico").c_str(), "default.ico", FALSE));
    EXPECT_TRUE(LoadFileIcon(dir / "missing.exe"));
    test::WriteBytes(dir / "plain.exe", "MZ no icons here");
    EXPECT_TRUE(LoadFileIcon(dir / "plain.exe"));
    ::SetCurrentDirectoryA(old);
}

} // namespace
} // namespace qv
