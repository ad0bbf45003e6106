// Drives the running program's main window from outside, for pictures of its
// pages and windows: it switches the tab control to a page, or clicks a
// button found by its caption. Only plain window messages are sent, as the
// user's keys and clicks would send them.
//   wine uipoke.exe tab 2          shows the third page
//   wine uipoke.exe click Report   clicks the button captioned "Report"
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

struct Search {
    const wchar_t* className;
    const wchar_t* caption; // nullptr: any
    HWND found = nullptr;
};

BOOL CALLBACK FindChild(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    wchar_t cls[64] = {};
    ::GetClassNameW(hwnd, cls, 64);
    if (_wcsicmp(cls, s->className) != 0) return TRUE;
    if (s->caption) {
        wchar_t text[256] = {};
        ::GetWindowTextW(hwnd, text, 256);
        if (std::wcscmp(text, s->caption) != 0) return TRUE;
    }
    s->found = hwnd;
    return FALSE;
}

HWND Child(HWND parent, const wchar_t* className, const wchar_t* caption = nullptr) {
    Search s{className, caption};
    ::EnumChildWindows(parent, FindChild, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::printf("usage: uipoke tab <index> | uipoke click <caption>\n");
        return 2;
    }
    HWND main = ::FindWindowW(L"TMainForm", nullptr);
    if (!main) {
        std::printf("the main window is not there\n");
        return 1;
    }
    const std::wstring verb = argv[1];
    if (verb == L"tab") {
        HWND tab = Child(main, WC_TABCONTROLW);
        if (!tab) return 1;
        const int want = _wtoi(argv[2]);
        // Clicks along the tab row, as the user's mouse would, until the
        // wanted tab is the selected one; the window hears of every change.
        RECT rc{};
        ::GetClientRect(tab, &rc);
        for (int x = 2; x < rc.right; x += 8) {
            if (static_cast<int>(::SendMessageW(tab, TCM_GETCURSEL, 0, 0)) == want) return 0;
            const LPARAM at = MAKELPARAM(x, 8);
            ::SendMessageW(tab, WM_LBUTTONDOWN, MK_LBUTTON, at);
            ::SendMessageW(tab, WM_LBUTTONUP, 0, at);
        }
        if (static_cast<int>(::SendMessageW(tab, TCM_GETCURSEL, 0, 0)) == want) return 0;
        std::printf("the tab control did not reach page %d\n", want);
        return 1;
    }
    if (verb == L"click") {
        HWND button = Child(main, L"Button", argv[2]);
        if (!button) {
            std::printf("no button with that caption\n");
            return 1;
        }
        // Posted: the click may open a modal window that runs until it closes.
        ::PostMessageW(button, BM_CLICK, 0, 0);
        return 0;
    }
    std::printf("unknown command\n");
    return 2;
}
