// The system's text comparison for the surveillance list. A sorted LISTBOX
// orders its texts with CompareString in the user's locale without regard to
// case; the sort keys of LCMapString order exactly as CompareString does, and
// are compared as plain bytes, which keeps loading a long file quick.
#include "process/Surveillance.h"

#include "base/WinText.h"

#include <windows.h>

namespace qv {

namespace {

std::string SortKey(std::string_view text) {
    const std::string s(text); // NUL-terminated for the call
    const DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE;
    int n = ::LCMapStringA(LOCALE_USER_DEFAULT, flags, s.c_str(), -1, nullptr, 0);
    if (n <= 0) return s; // no key to be had: the bytes still give an order
    std::string key(static_cast<size_t>(n), '\0');
    n = ::LCMapStringA(LOCALE_USER_DEFAULT, flags, s.c_str(), -1, key.data(), n);
    key.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return key;
}

// Upper case as the system maps it, the same in every locale, so that an
// umlaut matches its capital as a-z match A-Z.
std::string FoldKey(std::string_view text) {
    std::wstring wide = ToWide(text);
    if (wide.empty()) return {};
    std::wstring upper(wide.size(), L'\0');
    int n =
        ::LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, wide.c_str(),
                       static_cast<int>(wide.size()), upper.data(), static_cast<int>(upper.size()));
    if (n <= 0) upper = wide;
    upper.resize(n > 0 ? static_cast<size_t>(n) : upper.size());
    return std::string(reinterpret_cast<const char*>(upper.data()), upper.size() * sizeof(wchar_t));
}

} // namespace

SurveillanceCollation SystemCollation() {
    return {SortKey, FoldKey};
}

} // namespace qv
