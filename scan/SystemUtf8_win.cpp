// The system's ANSI code page as a converter to UTF-8: a table of its 256
// characters for a single-byte page, the system's conversion for any other.
#include "scan/ScanJob.h"

#include <windows.h>

namespace qv {

namespace {

// A multi-byte page (Japanese, Chinese, Korean): the system converts, ASCII
// runs go through as they are.
class MultiByteUtf8 final : public Utf8Converter {
  public:
    void Append(std::string& out, std::string_view ansi) const override {
        size_t ascii = 0;
        while (ascii < ansi.size() && static_cast<unsigned char>(ansi[ascii]) < 0x80)
            ++ascii;
        if (ascii == ansi.size()) {
            out.append(ansi);
            return;
        }
        const int n = static_cast<int>(ansi.size());
        int wide = ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), n, nullptr, 0);
        if (wide <= 0) return;
        std::wstring w(static_cast<size_t>(wide), L'\0');
        ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), n, w.data(), wide);
        int bytes = ::WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
        if (bytes <= 0) return;
        const size_t at = out.size();
        out.resize(at + static_cast<size_t>(bytes));
        ::WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, out.data() + at, bytes, nullptr, nullptr);
    }
};

} // namespace

std::unique_ptr<Utf8Converter> SystemUtf8Converter() {
    CPINFO info{};
    if (!::GetCPInfo(CP_ACP, &info) || info.MaxCharSize != 1)
        return std::make_unique<MultiByteUtf8>();
    std::array<char32_t, 256> points{};
    for (int b = 1; b < 256; ++b) {
        const char c = static_cast<char>(b);
        wchar_t w = 0;
        // The same character the windows show for the byte (ToWide); one
        // the system cannot convert at all becomes U+FFFD.
        if (::MultiByteToWideChar(CP_ACP, 0, &c, 1, &w, 1) == 1) points[static_cast<size_t>(b)] = w;
    }
    return std::make_unique<SingleByteUtf8>(points);
}

} // namespace qv
