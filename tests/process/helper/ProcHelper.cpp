// A process that waits to be ended: the process tests start it, find it in
// the process table by its path, read its version resource and end it. It
// ends by itself after the milliseconds given as its first argument (60,000
// by default), so that a failed test never leaves it behind for long.
#include <windows.h>

#include <cstdlib>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    DWORD limit = 60000;
    if (commandLine && *commandLine) {
        char* end = nullptr;
        unsigned long value = std::strtoul(commandLine, &end, 10);
        if (end != commandLine) limit = static_cast<DWORD>(value);
    }
    ::Sleep(limit);
    return 0;
}
