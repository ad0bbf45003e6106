#include "signature/EntryFile.h"

#include "autostart/CommandLine.h"
#include "base/Text.h"

#include <initializer_list>
#include <string_view>

namespace qv {

namespace {

bool NameIs(std::string_view program, std::initializer_list<std::string_view> names) {
    const std::string name = ExtractFileName(program);
    for (std::string_view n : names)
        if (SameTextAscii(name, n) || SameTextAscii(name, std::string(n) + ".exe")) return true;
    return false;
}

bool IsScriptHost(std::string_view program) {
    return NameIs(program, {"cmd", "powershell", "pwsh", "wscript", "cscript", "mshta"});
}

// The library rundll32 and regsvr32 load: their first argument that is not a
// switch, without quotes and, for rundll32, without the ",Entry" behind it.
// Windows signed the loader; what runs is the library.
std::string LoadedLibrary(std::string_view args) {
    while (!args.empty()) {
        while (!args.empty() && args.front() == ' ')
            args.remove_prefix(1);
        if (args.empty()) break;
        std::string_view word;
        if (args.front() == '"') {
            size_t end = args.find('"', 1);
            word = args.substr(1, end == std::string_view::npos ? end : end - 1);
            args = end == std::string_view::npos ? std::string_view() : args.substr(end + 1);
        } else {
            size_t end = args.find(' ');
            word = args.substr(0, end);
            args = end == std::string_view::npos ? std::string_view() : args.substr(end);
        }
        if (word.empty() || word.front() == '/' || word.front() == '-') continue;
        return std::string(word.substr(0, word.find(',')));
    }
    return {};
}

} // namespace

EntryFile EntryFileOf(const AutostartEntry& e) {
    EntryFile f;
    if (e.Kind == KindFile) {
        // A link's target stands in the detail column; an unresolved link
        // names none.
        const bool link = SameTextAscii(ExtractFileExt(e.FileName.view()), ".lnk");
        f.path = link ? e.Detail.str() : e.FileName.str();
        return f;
    }
    // The groups of today's Windows keep the file their value starts (a
    // service's binary, a loaded library) beside the value, as found.
    if (e.Kind == KindRegistry && e.FileName.Length != 0) {
        f.path = e.FileName.str();
        f.scriptHost = IsScriptHost(f.path);
        return f;
    }
    std::string program, args;
    SplitCommand(e.ValueData.view(), program, args);
    if (NameIs(program, {"rundll32", "regsvr32"})) {
        f.path = LoadedLibrary(args);
        return f;
    }
    f.scriptHost = IsScriptHost(program);
    f.path = std::move(program);
    return f;
}

bool IsWindowsEntry(const EntryFile& file, const SignatureVerdict& verdict) {
    return !file.scriptHost && IsWindowsPublisher(verdict);
}

} // namespace qv
