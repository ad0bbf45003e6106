#pragma once
// Text helpers for the ANSI byte strings the data model is made of. Pure
// code: no Windows headers, so it builds natively for fuzzing as well.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// Upper-cases the ASCII letters a-z only; every other byte stays as it is.
std::string UpperAscii(std::string_view s);
// Compares without regard to the case of the ASCII letters.
bool SameTextAscii(std::string_view a, std::string_view b);
// Finds needle in hay without regard to the case of the ASCII letters.
bool ContainsTextAscii(std::string_view hay, std::string_view needle);
// Removes leading and trailing blanks and control characters (bytes <= 32).
std::string TrimBlanks(std::string_view s);
// Adds a trailing backslash unless the text already ends with one.
std::string IncludeTrailingBackslash(std::string_view s);
// Everything up to and including the last backslash or colon.
std::string ExtractFilePath(std::string_view path);
// Everything behind the last backslash or colon.
std::string ExtractFileName(std::string_view path);
// The extension from the last dot on, if that dot lies in the file name.
std::string ExtractFileExt(std::string_view path);
// Splits at CR LF, lone LF and lone CR. A NUL ends the text. A last line
// without an ending is a line; an empty text gives no lines.
std::vector<std::string> SplitLines(std::string_view text);

} // namespace qv
