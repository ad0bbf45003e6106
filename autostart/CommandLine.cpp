#include "autostart/CommandLine.h"

#include "base/Text.h"

namespace qv {

namespace {

// The endings Windows tries when it looks for the program in an unquoted
// command line with spaces.
constexpr std::string_view kProgramEndings[] = {".exe", ".com", ".bat", ".cmd", ".pif", ".scr"};

std::string_view TrimSpaces(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

bool EndsWithProgramEnding(std::string_view s) {
    for (std::string_view e : kProgramEndings)
        if (s.size() >= e.size() && SameTextAscii(s.substr(s.size() - e.size()), e)) return true;
    return false;
}

} // namespace

void SplitCommand(std::string_view command, std::string& path, std::string& args) {
    command = TrimSpaces(command);
    size_t cut = std::string_view::npos;
    std::string_view program;
    if (!command.empty() && command.front() == '"') {
        cut = command.find('"', 1);
        program = command.substr(1, cut == std::string_view::npos ? cut : cut - 1);
        if (cut != std::string_view::npos) ++cut;
    } else {
        for (size_t at = command.find(' ');; at = command.find(' ', at + 1)) {
            if (EndsWithProgramEnding(command.substr(0, at))) {
                cut = at;
                break;
            }
            if (at == std::string_view::npos) {
                cut = command.find(' ');
                break;
            }
        }
        program = command.substr(0, cut);
    }
    path.assign(program);
    args.assign(cut == std::string_view::npos ? std::string_view()
                                              : TrimSpaces(command.substr(cut)));
}

} // namespace qv
