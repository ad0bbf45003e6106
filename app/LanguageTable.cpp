#include "app/LanguageTable.h"

#include "base/Text.h"

namespace qv {

LanguageFile LanguageTable;

void LanguageFile::LoadFromBytes(std::string_view bytes) {
    lines_ = SplitLines(bytes);
}

const std::string& LanguageFile::operator[](int n) const {
    static const std::string empty;
    if (n < 0 || static_cast<size_t>(n) >= lines_.size()) return empty;
    return lines_[static_cast<size_t>(n)];
}

std::string LanguageFile::Format(int n, std::initializer_list<std::string_view> args) const {
    return FormatPercentS((*this)[n], args);
}

std::string FormatPercentS(std::string_view format, std::initializer_list<std::string_view> args) {
    std::string out;
    out.reserve(format.size() + 64);
    auto next = args.begin();
    for (size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (c == '%' && i + 1 < format.size()) {
            char d = format[i + 1];
            if (d == 's' || d == 'S') {
                if (next != args.end()) out += *next++;
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

} // namespace qv
