#include "base/Text.h"

namespace qv {

namespace {
char UpperChar(char c) {
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}
bool IsPathDelimiter(char c) {
    return c == '\\' || c == ':';
}
} // namespace

std::string UpperAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = UpperChar(c);
    return out;
}

bool SameTextAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (UpperChar(a[i]) != UpperChar(b[i])) return false;
    return true;
}

bool ContainsTextAscii(std::string_view hay, std::string_view needle) {
    if (needle.empty()) return true;
    if (needle.size() > hay.size()) return false;
    for (size_t i = 0; i + needle.size() <= hay.size(); ++i)
        if (SameTextAscii(hay.substr(i, needle.size()), needle)) return true;
    return false;
}

std::string TrimBlanks(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= 32)
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32)
        --e;
    return std::string(s.substr(b, e - b));
}

std::string IncludeTrailingBackslash(std::string_view s) {
    std::string out(s);
    if (out.empty() || out.back() != '\\') out += '\\';
    return out;
}

std::string ExtractFilePath(std::string_view path) {
    for (size_t i = path.size(); i > 0; --i)
        if (IsPathDelimiter(path[i - 1])) return std::string(path.substr(0, i));
    return {};
}

std::string ExtractFileName(std::string_view path) {
    for (size_t i = path.size(); i > 0; --i)
        if (IsPathDelimiter(path[i - 1])) return std::string(path.substr(i));
    return std::string(path);
}

std::string ExtractFileExt(std::string_view path) {
    for (size_t i = path.size(); i > 0; --i) {
        char c = path[i - 1];
        if (c == '.') return std::string(path.substr(i - 1));
        if (IsPathDelimiter(c)) break;
    }
    return {};
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t nul = text.find('\0');
    if (nul != std::string_view::npos) text = text.substr(0, nul);
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.emplace_back(text.substr(start, i - start));
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            start = i + 1;
        }
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

} // namespace qv
