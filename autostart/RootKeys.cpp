#include "autostart/RootKeys.h"

#include "base/Errors.h"

#include <charconv>

namespace qv {

namespace {

struct RootInfo {
    RegRoot root;
    std::string_view text;
    int64_t value;
    std::string_view name;
};

constexpr RootInfo kRoots[] = {
    {RegRoot::ClassesRoot, kRootClassesRoot, 2147483648LL, "HKEY_CLASSES_ROOT"},
    {RegRoot::CurrentUser, kRootCurrentUser, 2147483649LL, "HKEY_CURRENT_USER"},
    {RegRoot::LocalMachine, kRootLocalMachine, 2147483650LL, "HKEY_LOCAL_MACHINE"},
};

} // namespace

std::string_view RootText(RegRoot root) {
    for (const RootInfo& r : kRoots)
        if (r.root == root) return r.text;
    return {};
}

std::optional<RegRoot> RootFromText(std::string_view text) {
    for (const RootInfo& r : kRoots)
        if (r.text == text) return r.root;
    return std::nullopt;
}

namespace {
std::optional<int64_t> RootNumber(std::string_view text) {
    int64_t value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+') ++first;
    auto [end, ec] = std::from_chars(first, last, value);
    if (first == last || ec != std::errc() || end != last) return std::nullopt;
    return value;
}

std::string_view NameOf(int64_t value) {
    for (const RootInfo& r : kRoots)
        if (r.value == value) return r.name;
    return {};
}
} // namespace

std::string RootKeyName(std::string_view text) {
    auto value = RootNumber(text);
    if (!value) throw AppError("'" + std::string(text) + "' ist kein g\xFCltiger Integerwert");
    return std::string(NameOf(*value));
}

std::string_view RootKeyNameOrEmpty(std::string_view text) {
    auto value = RootNumber(text);
    return value ? NameOf(*value) : std::string_view();
}

} // namespace qv
