// LoadFileIcon gives real icons: the file's own, or default.ico's for a file
// that is missing or has none, never a stray value the extraction left.
#include "base/Files.h"
#include "process/FunctionUnit.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace qv {
namespace {

// The icon's size, when the handle is an icon at all.
SIZE IconSize(HICON icon) {
    ICONINFO info{};
    if (!::GetIconInfo(icon, &info)) return {0, 0};
    BITMAP mask{};
    ::GetObjectW(info.hbmMask, sizeof mask, &mask);
    if (info.hbmColor) ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
    // A mask without colour holds the icon and its mask one above the other.
    return {mask.bmWidth, info.hbmColor ? mask.bmHeight : mask.bmHeight / 2};
}

TEST(LoadFileIcon, MissingFilesAndFilesWithoutIconsGetTheSmallDefaultIcon) {
    test::TempDir dir;
    test::WorkingDirectory cwd(dir.Path());
    ASSERT_TRUE(cwd.Changed());
    ASSERT_TRUE(::CopyFileA((ExecutableDir() + "default.ico").c_str(), "default.ico", FALSE));
    test::WriteBytes(dir / "plain.exe", "MZ no icons here");
    char system[MAX_PATH] = {};
    ::GetSystemDirectoryA(system, MAX_PATH);
    for (const std::string& file :
         {ExecutableDir() + "qv6.exe", dir / "missing.exe", dir / "plain.exe",
          std::string(system) + "\\wineboot.exe", std::string("c:\\no\\such\\dir\\x.exe")}) {
        IconHandle icon = LoadFileIcon(file);
        ASSERT_TRUE(icon) << file;
        SIZE size = IconSize(icon.get());
        EXPECT_EQ(size.cx, ::GetSystemMetrics(SM_CXSMICON)) << file;
        EXPECT_EQ(size.cy, ::GetSystemMetrics(SM_CYSMICON)) << file;
    }
}

} // namespace
} // namespace qv
