// qv6scan.exe: prints every autostart entry of the machine as CSV or JSON.
// The work is scan/ScanJob; this is the console around it.
#include "base/Errors.h"
#include "base/Files.h"
#include "base/Handles.h"
#include "base/WinText.h"
#include "scan/ScanJob.h"
#include "scan/ScanOptions.h"

#include <windows.h>

#include <exception>
#include <string>
#include <vector>

namespace {

// A standard handle written as it is: bytes to a file or pipe (no line end
// translation, no code page), UTF-16 to a console, where bytes would be read
// in the console's code page.
class StdStream {
  public:
    explicit StdStream(DWORD which) : handle_(::GetStdHandle(which)) {
        DWORD mode = 0;
        console_ = handle_ && handle_ != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle_, &mode);
    }

    bool Write(std::string_view utf8) {
        if (!handle_ || handle_ == INVALID_HANDLE_VALUE) return false;
        if (console_) return WriteConsole(utf8);
        while (!utf8.empty()) {
            DWORD piece = static_cast<DWORD>(utf8.size() < (1u << 20) ? utf8.size() : 1u << 20);
            DWORD put = 0;
            if (!::WriteFile(handle_, utf8.data(), piece, &put, nullptr) || put == 0) return false;
            utf8.remove_prefix(put);
        }
        return true;
    }

  private:
    bool WriteConsole(std::string_view utf8) {
        if (utf8.empty()) return true;
        int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                      nullptr, 0);
        std::wstring w(static_cast<size_t>(n > 0 ? n : 0), L'\0');
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
        std::wstring_view rest(w);
        while (!rest.empty()) {
            DWORD put = 0;
            DWORD piece = static_cast<DWORD>(rest.size() < 8192 ? rest.size() : 8192);
            if (!::WriteConsoleW(handle_, rest.data(), piece, &put, nullptr) || put == 0)
                return false;
            rest.remove_prefix(put);
        }
        return true;
    }

    HANDLE handle_;
    bool console_ = false;
};

std::string Utf8(const qv::Utf8Converter& utf8, std::string_view ansi) {
    std::string out;
    utf8.Append(out, ansi);
    return out;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(qv::FromWide(argv[i]));
    std::unique_ptr<qv::Utf8Converter> utf8 = qv::SystemUtf8Converter();
    StdStream out(STD_OUTPUT_HANDLE), err(STD_ERROR_HANDLE);
    auto errorLine = [&](std::string_view ansi) {
        std::string line = Utf8(*utf8, ansi);
        for (char& c : line)
            if (c == '\r' || c == '\n') c = ' '; // one line, whatever the message holds
        line += "\r\n";
        err.Write(line);
    };

    qv::ParsedOptions parsed = qv::ParseScanOptions(args);
    if (!parsed.error.empty()) {
        errorLine(parsed.error);
        return qv::kExitError;
    }
    if (parsed.options.help) {
        // Help asked for and not printed is still a failure a script should see.
        return out.Write(Utf8(*utf8, qv::ScanHelpText())) ? qv::kExitListed : qv::kExitError;
    }
    try {
        qv::ComInit com; // the shell link object resolves startup-folder links
        qv::ScanJobIo io;
        io.write = [&](std::string_view bytes) { return out.Write(bytes); };
        io.warn = errorLine;
        return qv::RunScanJob(parsed.options, qv::ExecutableDir(), *utf8, io);
    } catch (const std::exception& ex) {
        std::string message = ex.what();
        if (message.rfind("qv6scan:", 0) != 0) message = "qv6scan: " + message;
        errorLine(message);
        return qv::kExitError;
    }
}
