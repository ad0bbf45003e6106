#pragma once
// The lines of qv6.lng, addressed by 0-based line number. Pure code.
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// The highest line number the program reads.
constexpr int kLastLanguageLine = 171;

class LanguageFile {
  public:
    // Splits the file's bytes into lines: CR LF, a lone LF and a lone CR each
    // end a line, and a NUL ends the text.
    void LoadFromBytes(std::string_view bytes);
    void Clear() { lines_.clear(); }
    size_t Count() const { return lines_.size(); }
    // Line n, or the empty text when the file has no such line: a short or
    // damaged translation must never stop the program.
    const std::string& operator[](int n) const;
    // Line n with each "%s" replaced by the next argument. Placeholders beyond
    // the arguments become empty text; "%%" gives "%"; anything else stands.
    std::string Format(int n, std::initializer_list<std::string_view> args) const;

  private:
    std::vector<std::string> lines_;
};

// Fills "%s" placeholders as LanguageFile::Format does.
std::string FormatPercentS(std::string_view format, std::initializer_list<std::string_view> args);

// The program's language table, loaded once at start-up.
extern LanguageFile LanguageTable;

} // namespace qv
