// update_probe.exe: stands in for the program that update.exe replaces and
// starts again. Each start appends one line to runs.txt in the current
// directory: the text of version.txt beside the executable, then the
// command line. "--linger" keeps it running for 60 s, as a program that has
// not ended yet.
#include <windows.h>

#include <cstring>
#include <string>

namespace {

std::string FileText(const std::string& path) {
    HANDLE f = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return "?";
    char buf[256];
    DWORD got = 0;
    ::ReadFile(f, buf, sizeof(buf), &got, nullptr);
    ::CloseHandle(f);
    std::string text(buf, got);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    char exe[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string dir(exe);
    dir.erase(dir.find_last_of('\\') + 1);
    std::string line = FileText(dir + "version.txt") + " " + commandLine + "\r\n";
    HANDLE f = ::CreateFileA("runs.txt", FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
        DWORD put = 0;
        ::WriteFile(f, line.data(), static_cast<DWORD>(line.size()), &put, nullptr);
        ::CloseHandle(f);
    }
    if (std::strstr(commandLine, "--linger")) ::Sleep(60000);
    return 0;
}
