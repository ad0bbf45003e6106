#pragma once
// Keys of ini files through the private-profile functions, which is also how
// the system answers for win.ini's sections that it keeps in the registry.
#include <optional>
#include <string>
#include <string_view>

namespace qv {

// The key's value, the key's name compared without regard to case; an empty
// value counts as a value. Nothing when the section has no such key or the
// file does not exist.
std::optional<std::string> ReadIniKey(const std::string& file, std::string_view section,
                                      std::string_view key);
inline bool IniKeyExists(const std::string& file, std::string_view section, std::string_view key) {
    return ReadIniKey(file, section, key).has_value();
}
// Writes the key (creating file and section where needed) and flushes the
// file. False when the system refuses.
bool WriteIniKey(const std::string& file, std::string_view section, std::string_view key,
                 std::string_view value);
// Removes the key and flushes the file. False when the system refuses (a
// missing key is no failure).
bool DeleteIniKey(const std::string& file, std::string_view section, std::string_view key);

} // namespace qv
