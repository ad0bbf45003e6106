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
    // What it failed on when that is several things (the processes that did
    // not end): listed below the line, one per line.
    std::vector<std::string> items;
};

// text, then CR and each item in double quotes (a quote inside doubled),
// the items separated by CR, none after the last.
inline std::string AppendQuotedItems(std::string text, const std::vector<std::string>& items) {
    text += '\r';
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0) text += '\r';
        text += '"';
        for (char c : items[i]) {
            if (c == '"') text += '"';
            text += c;
        }
        text += '"';
    }
    return text;
}

inline std::string ShownText(const LanguageFile& lines, const LineText& text) {
    return lines.Format(text.line, text.args);
}
// The text a message box shows for the failure.
inline std::string ShownText(const LanguageFile& lines, const Failure& failure) {
    std::string text = lines.Format(failure.line, failure.args);
    return failure.items.empty() ? text : AppendQuotedItems(std::move(text), failure.items);
}

} // namespace qv
