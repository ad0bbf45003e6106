#pragma once
// The lines of a language file, addressed by 0-based line number. Pure code.
#include "base/LanguageLines.h"

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

class LanguageFile {
  public:
    // Splits the file's bytes into lines: CR LF, a lone LF and a lone CR each
    // end a line, and a NUL ends the text.
    void LoadFromBytes(std::string_view bytes);
    void Clear() { lines_.clear(); }
    size_t Count() const { return lines_.size(); }
    // The line, or the empty text when the file has no such line: a short or
    // damaged translation must never stop the program.
    const std::string& operator[](Lng line) const;
    // The line with each "%s" replaced by the next argument. Placeholders beyond
    // the arguments become empty text; "%%" gives "%"; anything else stands.
    std::string Format(Lng line, std::initializer_list<std::string_view> args) const;
    std::string Format(Lng line, const std::vector<std::string>& args) const;

  private:
    std::vector<std::string> lines_;
};

// Fills "%s" placeholders as LanguageFile::Format does.
std::string FormatPercentS(std::string_view format, std::initializer_list<std::string_view> args);

} // namespace qv
