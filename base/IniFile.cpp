#include "base/IniFile.h"

#include "base/Text.h"

#include <windows.h>

namespace qv {

namespace {

// The system caches ini files; the flush makes the change reach the disk
// before anybody reads the file behind its back.
void Flush(const std::string& file) {
    ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, file.c_str());
}

} // namespace

std::optional<std::string> ReadIniKey(const std::string& file, std::string_view section,
                                      std::string_view key) {
    const std::string sec(section);
    // The key names of the section, NUL-separated; grown until they fit.
    // Asking with a NULL key goes to the same layer that answers for the
    // value, so a section mapped to the registry is listed as well.
    std::string keys(4096, '\0');
    for (;;) {
        DWORD n = ::GetPrivateProfileStringA(sec.c_str(), nullptr, "", keys.data(),
                                             static_cast<DWORD>(keys.size()), file.c_str());
        if (n + 2 < keys.size() || keys.size() >= (1u << 24)) {
            keys.resize(n);
            break;
        }
        keys.resize(keys.size() * 4);
    }
    std::string found;
    for (size_t pos = 0; pos < keys.size();) {
        size_t end = keys.find('\0', pos);
        if (end == std::string::npos) end = keys.size();
        std::string_view k(keys.data() + pos, end - pos);
        if (SameTextAscii(k, key)) {
            found.assign(k);
            break;
        }
        pos = end + 1;
    }
    if (found.empty()) return std::nullopt;
    std::string buf(1024, '\0');
    for (;;) {
        DWORD n = ::GetPrivateProfileStringA(sec.c_str(), found.c_str(), "", buf.data(),
                                             static_cast<DWORD>(buf.size()), file.c_str());
        if (n + 1 < buf.size() || buf.size() >= (1u << 20)) return std::string(buf.data(), n);
        buf.resize(buf.size() * 4);
    }
}

bool WriteIniKey(const std::string& file, std::string_view section, std::string_view key,
                 std::string_view value) {
    const std::string s(section), k(key), v(value);
    bool ok = ::WritePrivateProfileStringA(s.c_str(), k.c_str(), v.c_str(), file.c_str()) != 0;
    Flush(file);
    return ok;
}

bool DeleteIniKey(const std::string& file, std::string_view section, std::string_view key) {
    const std::string s(section), k(key);
    bool ok = ::WritePrivateProfileStringA(s.c_str(), k.c_str(), nullptr, file.c_str()) != 0;
    Flush(file);
    return ok;
}

} // namespace qv
