#include "base/LanguageFile.h"

#include "base/Text.h"

namespace qv {

namespace {

template <class It> std::string Fill(std::string_view format, It next, It last) {
    std::string out;
    out.reserve(format.size() + 64);
    for (size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (c == '%' && i + 1 < format.size()) {
            char d = format[i + 1];
            if (d == 's' || d == 'S') {
                if (next != last) out += *next++;
                ++i;
                continue;
            }
            if (d == '%') {
                out += '%';
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

} // namespace

void LanguageFile::LoadFromBytes(std::string_view bytes) {
    lines_ = SplitLines(bytes);
}

const std::string& LanguageFile::operator[](Lng line) const {
    static const std::string empty;
    const int n = LineNumber(line);
    if (n < 0 || static_cast<size_t>(n) >= lines_.size()) return empty;
    return lines_[static_cast<size_t>(n)];
}

std::string LanguageFile::Format(Lng line, std::initializer_list<std::string_view> args) const {
    return FormatPercentS((*this)[line], args);
}

std::string LanguageFile::Format(Lng line, const std::vector<std::string>& args) const {
    return Fill((*this)[line], args.begin(), args.end());
}

std::string FormatPercentS(std::string_view format, std::initializer_list<std::string_view> args) {
    return Fill(format, args.begin(), args.end());
}

} // namespace qv
