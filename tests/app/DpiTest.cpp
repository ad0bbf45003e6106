// At 96, 144 and 192 dots per inch no label, button or group box of any
// window has text wider (or, wrapped, higher) than the control shows. The
// setting is Wine's LogPixels, read when a process starts: the test runs
// itself once per setting, and that run measures every window.
#include "EveryWindow.h"

#include "base/WinText.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace qv {
namespace {

constexpr wchar_t kDpiVariable[] = L"QV6_TEST_DPI";
constexpr wchar_t kDesktop[] = L"Control Panel\\Desktop";

// The room a kind of button leaves its text, in pixels beside the text.
int ButtonMargin(LONG style) {
    switch (style & BS_TYPEMASK) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
    case BS_3STATE:
    case BS_AUTO3STATE:
        return (style & BS_PUSHLIKE) ? 4 : ::GetSystemMetrics(SM_CXMENUCHECK) + 4;
    case BS_GROUPBOX:
        return 16;
    default:
        return 4;
    }
}

class DpiTest : public test::EveryWindowFixture {};

// Run by the test below in a process of its own, one per setting.
TEST_F(DpiTest, DISABLED_AtThisSetting) {
    wchar_t want[16] = {};
    ASSERT_GT(::GetEnvironmentVariableW(kDpiVariable, want, 16), 0u);
    ASSERT_EQ(ui::WindowDpi(nullptr), _wtoi(want)) << "the setting did not take";
    int measured = 0;
    ForEachWindow([&](ui::Form& window, const std::string& which) {
        std::function<void(HWND)> walk = [&](HWND parent) {
            for (HWND w = ::GetWindow(parent, GW_CHILD); w; w = ::GetWindow(w, GW_HWNDNEXT)) {
                walk(w);
                wchar_t cls[32] = {}, text[1024] = {};
                ::GetClassNameW(w, cls, 32);
                const int length = ::GetWindowTextW(w, text, 1024);
                const LONG style = ::GetWindowLongW(w, GWL_STYLE);
                const bool label =
                    _wcsicmp(cls, L"Static") == 0 && (style & SS_TYPEMASK) <= SS_RIGHT;
                const bool button = _wcsicmp(cls, L"Button") == 0;
                if (length == 0 || !(style & WS_VISIBLE) || !(label || button)) continue;
                RECT client{};
                ::GetClientRect(w, &client);
                HDC dc = ::GetDC(w);
                HGDIOBJ old = ::SelectObject(dc, (HFONT)::SendMessageW(w, WM_GETFONT, 0, 0));
                RECT need{0, 0, client.right, 0};
                UINT flags = DT_CALCRECT | DT_NOPREFIX | (label ? DT_WORDBREAK : DT_SINGLELINE);
                if (button) need.right = 0;
                ::DrawTextW(dc, text, length, &need, flags);
                ::SelectObject(dc, old);
                ::ReleaseDC(w, dc);
                const std::string where =
                    which + " \"" + FromWide(text) + "\" at " + FromWide(want);
                const int room = client.right - (button ? ButtonMargin(style) : 0);
                EXPECT_LE(need.right, room) << where;
                if (label) {
                    EXPECT_LE(need.bottom, client.bottom) << where;
                }
                ++measured;
            }
        };
        walk(window.Handle());
    });
    EXPECT_GT(measured, 40);
}

TEST(DpiSettings, NoTextIsCutAt96And144And192DotsPerInch) {
    HKEY desktop;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kDesktop, 0, nullptr, 0, KEY_READ | KEY_WRITE,
                                nullptr, &desktop, nullptr),
              ERROR_SUCCESS);
    DWORD before = 0, size = sizeof before;
    const bool had = ::RegQueryValueExW(desktop, L"LogPixels", nullptr, nullptr,
                                        reinterpret_cast<BYTE*>(&before), &size) == ERROR_SUCCESS;
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    for (DWORD dpi : {96u, 144u, 192u}) {
        ::RegSetValueExW(desktop, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                         sizeof dpi);
        ::SetEnvironmentVariableW(kDpiVariable, std::to_wstring(dpi).c_str());
        std::wstring command = L"\"" + std::wstring(self) +
                               L"\" --gtest_also_run_disabled_tests "
                               L"--gtest_filter=DpiTest.DISABLED_AtThisSetting";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                     nullptr, &si, &pi));
        // Bounded: a run that hangs fails instead of holding the suite.
        const bool ended = ::WaitForSingleObject(pi.hProcess, 300000) == WAIT_OBJECT_0;
        DWORD code = 1;
        if (!ended) ::TerminateProcess(pi.hProcess, 1);
        ::GetExitCodeProcess(pi.hProcess, &code);
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
        EXPECT_TRUE(ended && code == 0) << dpi << " dots per inch";
    }
    ::SetEnvironmentVariableW(kDpiVariable, nullptr);
    if (had)
        ::RegSetValueExW(desktop, L"LogPixels", 0, REG_DWORD,
                         reinterpret_cast<const BYTE*>(&before), sizeof before);
    else
        ::RegDeleteValueW(desktop, L"LogPixels");
    ::RegCloseKey(desktop);
}

} // namespace
} // namespace qv
