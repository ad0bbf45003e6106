// The smallest window program: a window of the main window's size, shown,
// and the message loop. The start-up benchmark starts it beside qv6.exe.
#include "MinimalWindow.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return minimal::ShowAndRun(minimal::MakeWindow(instance, L"QvMinimalWindow", L"Minimal"));
}
