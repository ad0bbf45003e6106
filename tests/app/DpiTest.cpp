// At 96, 144 and 192 dots per inch no label, button or group box of any
// window has text wider (or, wrapped, higher) than the control shows. The
// setting is Wine's LogPixels, read when a process starts: the test runs
// itself once per setting, and that run measures every window.
#include "EveryWindow.h"

#include "base/WinText.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

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

// Every picture of the window drawn for its setting: a bitmap as large as
// its control, a list's small images as large as a small icon there.
// Returns how many it looked at.
int ExpectPicturesFit(HWND parent, int dpi, const std::string& where) {
    int pictures = 0;
    for (HWND w = ::GetWindow(parent, GW_CHILD); w; w = ::GetWindow(w, GW_HWNDNEXT)) {
        pictures += ExpectPicturesFit(w, dpi, where);
        wchar_t cls[32] = {};
        ::GetClassNameW(w, cls, 32);
        RECT client{};
        ::GetClientRect(w, &client);
        BITMAP bm{};
        const auto bitmap =
            reinterpret_cast<HGDIOBJ>(::SendMessageW(w, STM_GETIMAGE, IMAGE_BITMAP, 0));
        if (_wcsicmp(cls, L"Static") == 0 && bitmap && ::GetObjectW(bitmap, sizeof bm, &bm)) {
            EXPECT_EQ(bm.bmWidth, client.right) << where;
            EXPECT_EQ(bm.bmHeight, client.bottom) << where;
            ++pictures;
        }
        int cx = 0, cy = 0;
        if (HIMAGELIST images = ListView_GetImageList(w, LVSIL_SMALL);
            images && ImageList_GetIconSize(images, &cx, &cy)) {
            EXPECT_EQ(cx, ui::ScaleToDpi(16, dpi)) << where;
            ++pictures;
        }
    }
    return pictures;
}

// A list with headers shows each text whole in every column but the last (as
// long as a path), a list of captions and values each caption; the count.
int ExpectColumnsFit(HWND hwnd, const std::string& where) {
    auto* list = dynamic_cast<ui::ListView*>(ui::Control::FromHandle(hwnd));
    if (!list) return 0;
    const bool headed = !(::GetWindowLongW(hwnd, GWL_STYLE) & LVS_NOCOLUMNHEADER);
    const int columns = list->ColumnCount(), whole = headed ? columns - 1 : columns == 2 ? 1 : 0;
    int measured = 0;
    for (int c = 0; c < whole; ++c)
        for (int r = 0; r < list->Count(); ++r, ++measured) {
            const std::string text = list->ItemText(r, c);
            const auto width =
                ::SendMessageW(hwnd, LVM_GETSTRINGWIDTHW, 0, (LPARAM)ToWide(text).c_str());
            // The list's own margins on both sides of a text.
            EXPECT_LE(width + 12, list->ColumnWidth(c)) << where << " \"" << text << "\"";
        }
    return measured;
}

class DpiTest : public test::EveryWindowFixture {};

// Run by the test below in a process of its own, one per setting.
TEST_F(DpiTest, DISABLED_AtThisSetting) {
    wchar_t want[16] = {};
    ASSERT_GT(::GetEnvironmentVariableW(kDpiVariable, want, 16), 0u);
    ASSERT_EQ(ui::WindowDpi(nullptr), _wtoi(want)) << "the setting did not take";
    int measured = 0, pictures = 0, columns = 0;
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    ForEachWindow([&](ui::Form& window, const std::string& which) {
        // At the least size the window can be pulled to, which fits the
        // screen whatever the setting.
        if (!dynamic_cast<ui::ModalForm*>(&window)) {
            window.SetSize(1, 1);
            ui::ProcessMessages(&window);
        }
        RECT frame{};
        ::GetWindowRect(window.Handle(), &frame);
        EXPECT_LE(frame.right - frame.left, work.right - work.left) << which;
        EXPECT_LE(frame.bottom - frame.top, work.bottom - work.top) << which;
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
                if (_wcsicmp(cls, WC_LISTVIEWW) == 0)
                    columns += ExpectColumnsFit(w, which + " at " + FromWide(want));
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
        pictures += ExpectPicturesFit(window.Handle(), window.Dpi(), which);
    });
    EXPECT_GT(measured, 40);
    EXPECT_GE(pictures, 4);
    EXPECT_GE(columns, 6) << "the history's rows";
}

// The character height of the font a window draws with; 0 for the system's.
LONG FontHeight(HWND w) {
    LOGFONTW lf{};
    const auto font = reinterpret_cast<HFONT>(::SendMessageW(w, WM_GETFONT, 0, 0));
    return font && ::GetObjectW(font, sizeof lf, &lf) ? lf.lfHeight : 0;
}

// A window moved to a screen of twice the setting: every font a control
// draws with is made again at twice the height (the form's own, the
// pages' bold captions and links, the lists'), the rows of a list that
// draws them itself grow with it, and nothing is larger than the screen.
TEST_F(DpiTest, EveryFontFollowsTheWindowToAScreenOfTwiceTheSetting) {
    int fonts = 0;
    ForEachWindow([&](ui::Form& window, const std::string& which) {
        // The main window once, with all its pages made.
        if (which.rfind("TMainForm", 0) == 0 && which != "TMainForm page 0") return;
        std::map<HWND, LONG> before;
        std::map<HWND, LONG> rows;
        for (ui::Control* c : window.Components()) {
            before[c->Handle()] = FontHeight(c->Handle());
            if (dynamic_cast<ui::CheckListBox*>(c))
                rows[c->Handle()] = LONG(::SendMessageW(c->Handle(), LB_GETITEMHEIGHT, 0, 0));
        }
        RECT r{};
        ::GetWindowRect(window.Handle(), &r);
        const int dpi = window.Dpi() * 2;
        RECT to{r.left, r.top, r.left + (r.right - r.left) * 2, r.top + (r.bottom - r.top) * 2};
        ::SendMessageW(window.Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), (LPARAM)&to);
        for (auto [w, height] : before) {
            if (height == 0) continue;
            EXPECT_EQ(FontHeight(w), 2 * height)
                << which << " " << ui::Control::FromHandle(w)->Name();
            ++fonts;
        }
        ExpectPicturesFit(window.Handle(), dpi, which);
        for (auto [w, height] : rows)
            EXPECT_GT(::SendMessageW(w, LB_GETITEMHEIGHT, 0, 0), height) << which;
        RECT work{}, now{};
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        ::GetWindowRect(window.Handle(), &now);
        EXPECT_LE(now.right - now.left, work.right - work.left) << which;
        EXPECT_LE(now.bottom - now.top, work.bottom - work.top) << which;
    });
    EXPECT_GT(fonts, 40);
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
