#pragma once
// What went wrong, as the user is told it: a language line, the texts for
// its "%s" placeholders and, where known, what the system said. Every outcome
// that can fail carries one of these instead of a text of its own, so the
// text is made in one place and follows the language file. Pure code.
#include "base/LanguageFile.h"
#include "base/LanguageLines.h"

#include <string>
#include <utility>
#include <vector>

namespace qv {

// A language line with the texts for its "%s" placeholders, in order: a
// question or a message before anything failed.
struct LineText {
    Lng line{};
    std::vector<std::string> args;
};

struct Failure {
    explicit Failure(Lng failed, std::vector<std::string> texts = {}, std::string why = {})
        : line(failed), args(std::move(texts)), cause(std::move(why)) {}
    Lng line;
    std::vector<std::string> args;
    std::string cause; // the system's own words, for the log; not part of the line
};

inline std::string ShownText(const LanguageFile& lines, const LineText& text) {
    return lines.Format(text.line, text.args);
}
// The text a message box shows for the failure.
inline std::string ShownText(const LanguageFile& lines, const Failure& failure) {
    return lines.Format(failure.line, failure.args);
}

} // namespace qv
