// The optional settings file beside the program, read through the private
// profile functions.
#include "about/ServerSettings.h"

#include <windows.h>

namespace qv {

namespace {

std::string ReadKey(const std::string& file, const char* key) {
    // GetPrivateProfileString cuts a value that does not fit and says so by
    // filling the buffer up to its last character: grow and ask again.
    for (DWORD size = 256; size <= (1u << 16); size *= 2) {
        std::string buf(size, '\0');
        DWORD n =
            ::GetPrivateProfileStringA(kServerSection, key, "", buf.data(), size, file.c_str());
        if (n < size - 1) {
            buf.resize(n);
            return buf;
        }
    }
    return {};
}

} // namespace

ServerSettings LoadServerSettings(const std::string& appDir) {
    const std::string file = appDir + kSettingsFileName;
    // Without the file every key reads empty and the defaults stand; asking
    // first keeps the profile functions away from a file that is not there.
    if (::GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES)
        return DefaultServerSettings();
    return ResolveServerSettings(ReadKey(file, kHostKey), ReadKey(file, kMailKey),
                                 ReadKey(file, kBugMailKey));
}

} // namespace qv
