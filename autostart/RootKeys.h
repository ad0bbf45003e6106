#pragma once
// The registry root keys the program knows, in one table: the decimal handle
// text that a record keeps in RootKey, and the root's name. Pure code.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

enum class RegRoot : uint8_t { ClassesRoot, CurrentUser, LocalMachine };

// The text the records keep: the root's handle as unsigned decimal.
inline constexpr const char* kRootClassesRoot = "2147483648";
inline constexpr const char* kRootCurrentUser = "2147483649";
inline constexpr const char* kRootLocalMachine = "2147483650";

std::string_view RootText(RegRoot root);
// The root whose text equals the given one byte for byte.
std::optional<RegRoot> RootFromText(std::string_view text);
// "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER" or "HKEY_LOCAL_MACHINE" for the
// number the text holds; the empty text for any other number. Throws
// AppError when the text is no decimal integer.
std::string RootKeyName(std::string_view text);
// The same name, and the empty text also for a text that is no number: for
// showing records that may come from a damaged file.
std::string_view RootKeyNameOrEmpty(std::string_view text);

} // namespace qv
