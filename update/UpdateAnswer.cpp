#include "update/UpdateAnswer.h"

#include "base/Errors.h"
#include "base/LanguageLines.h"
#include "update/FileList.h"

namespace qv {

namespace {

bool IsSeparator(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

[[noreturn]] void Invalid() {
    throw AppError("Ung\xFCltige numerische Eingabe");
}

int DigitValue(char c, int base) {
    int v = -1;
    if (c >= '0' && c <= '9')
        v = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f')
        v = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F')
        v = c - 'A' + 10;
    return v < base ? v : -1;
}

} // namespace

bool UpdateAnswerReader::Feed(std::string_view piece) {
    for (char c : piece) {
        if (done_) return true;
        if (IsSeparator(c)) {
            if (!word_.empty()) done_ = true;
            continue;
        }
        word_.push_back(c);
        if (word_.size() == kMaxAnswerWord) done_ = true;
    }
    return done_;
}

int32_t UpdateAnswerReader::Value() const {
    std::string_view w = word_;
    if (w.empty()) return 0;
    bool negative = false;
    if (w.front() == '+' || w.front() == '-') {
        negative = w.front() == '-';
        w.remove_prefix(1);
    }
    int base = 10;
    if (!w.empty() && w.front() == '$') {
        base = 16;
        w.remove_prefix(1);
    } else if (w.size() >= 2 && w[0] == '0' && (w[1] == 'x' || w[1] == 'X')) {
        base = 16;
        w.remove_prefix(2);
    }
    if (w.empty()) Invalid();
    // Up to 2^31 for a negative number, 2^31 - 1 otherwise.
    const int64_t limit = negative ? int64_t{1} << 31 : (int64_t{1} << 31) - 1;
    int64_t value = 0;
    for (char c : w) {
        int d = DigitValue(c, base);
        if (d < 0) Invalid();
        value = value * base + d;
        if (value > limit) Invalid();
    }
    return static_cast<int32_t>(negative ? -value : value);
}

int32_t ParseUpdateAnswer(std::string_view body) {
    UpdateAnswerReader reader;
    reader.Feed(body);
    return reader.Value();
}

UpdateDecision DecideUpdate(int32_t answer) {
    switch (answer) {
    case -1:
        return {UpdateAction::ShowMessage, Lng::UpdateNotPossible};
    case 0:
        return {UpdateAction::ShowMessage, Lng::UpdateCurrent};
    case 1:
        return {UpdateAction::AskForUpdate, Lng::UpdateConfirm};
    default:
        return {};
    }
}

std::string AnnouncedVersion(std::string_view body) {
    size_t i = 0;
    auto blank = [&](size_t at) { return static_cast<unsigned char>(body[at]) <= ' '; };
    while (i < body.size() && blank(i))
        ++i;
    while (i < body.size() && !blank(i))
        ++i;
    while (i < body.size() && (body[i] == ' ' || body[i] == '\t'))
        ++i;
    size_t end = i;
    while (end < body.size() && end - i < kMaxAnswerWord && !blank(end))
        ++end;
    std::string_view word = body.substr(i, end - i);
    return ParseVersion(word) ? std::string(word) : std::string();
}

} // namespace qv
