#pragma once
// A command line as an autostart entry keeps it, split into the program and
// the rest, the way Windows finds the program. Pure code.
#include <string>
#include <string_view>

namespace qv {

// A quoted program up to its closing quote; an unquoted one up to the first
// space behind a program's ending ("C:\Program Files\x.exe /a"), else up to
// the first space. Blanks around both parts go.
void SplitCommand(std::string_view command, std::string& path, std::string& args);

} // namespace qv
