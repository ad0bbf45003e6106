#pragma once
// The window of the start-up benchmark's own programs: the main window's
// designed size, a class with nothing of its own, shown, painted and its
// message loop run, as the least any window program does.
#include <windows.h>

namespace minimal {

inline LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

// Registers the class and makes the window, not yet shown.
inline HWND MakeWindow(HINSTANCE instance, const wchar_t* className, const wchar_t* title) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, (LPCWSTR)IDC_ARROW);
    wc.lpszClassName = className;
    ::RegisterClassExW(&wc);
    return ::CreateWindowExW(0, className, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                             653, 558, nullptr, nullptr, instance, nullptr);
}

// Shows and paints the window, then runs the message loop until it goes.
inline int ShowAndRun(HWND hwnd) {
    ::ShowWindow(hwnd, SW_SHOWNORMAL);
    ::UpdateWindow(hwnd);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return 0;
}

} // namespace minimal
