// The smallest window program of minwindow.cpp with the common controls
// set up as qv6.exe has them: the same manifest (common controls 6, aware
// of each screen's setting, ccwindow.rc) and InitCommonControlsEx before the
// window. What a program whose window is made of common controls spends
// before it can show any of them; the start-up benchmark starts it beside
// the bare one.
#include "MinimalWindow.h"

#include <commctrl.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES |
                                             ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&icc);
    return minimal::ShowAndRun(
        minimal::MakeWindow(instance, L"QvCommonControlsWindow", L"Minimal"));
}
