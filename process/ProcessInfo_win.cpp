// The Windows side of the information dialog's file rows: the directory
// entry, the size through an opened handle, the last-write time in the
// user's formats, and the version resource.
#include "process/ProcessInfo.h"

#include "base/Handles.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace qv {

namespace {

uint64_t Join(DWORD high, DWORD low) {
    return (uint64_t(high) << 32) | low;
}

// The size as the opened file reports it, all 64 bits of it. Where the file
// cannot be opened for reading (someone holds it exclusively, or it has just
// gone) the directory entry read a moment before tells it.
uint64_t FileSize(const std::string& path, const WIN32_FILE_ATTRIBUTE_DATA& entry) {
    UniqueHandle f(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (f && ::GetFileSizeEx(f.get(), &size) && size.QuadPart >= 0)
        return static_cast<uint64_t>(size.QuadPart);
    return Join(entry.nFileSizeHigh, entry.nFileSizeLow);
}

using FormatFn = int(WINAPI*)(LCID, DWORD, const SYSTEMTIME*, LPCSTR, LPSTR, int);

std::string FormatWithLocale(FormatFn format, DWORD flags, const SYSTEMTIME& st) {
    char buffer[128] = {};
    int n = format(LOCALE_USER_DEFAULT, flags, &st, nullptr, buffer, sizeof buffer);
    return n > 0 ? std::string(buffer) : std::string();
}

// The time the clock showed when the file was written: converted with the
// daylight saving rule of that date, not of today.
std::string LastWriteText(const FILETIME& written) {
    SYSTEMTIME utc{}, local{};
    if (!::FileTimeToSystemTime(&written, &utc)) return {};
    if (!::SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) return {};
    LocalTime t = ToTwoSecondResolution({local.wYear, local.wMonth, local.wDay, local.wHour,
                                         local.wMinute, local.wSecond, local.wMilliseconds});
    SYSTEMTIME st{};
    st.wYear = t.year;
    st.wMonth = t.month;
    st.wDay = t.day;
    st.wDayOfWeek = local.wDayOfWeek;
    st.wHour = t.hour;
    st.wMinute = t.minute;
    st.wSecond = t.second;
    const bool midnight = IsMidnight(t);
    std::string date = FormatWithLocale(::GetDateFormatA, DATE_SHORTDATE, st);
    std::string time = midnight ? std::string() : FormatWithLocale(::GetTimeFormatA, 0, st);
    return JoinDateAndTime(date, time, midnight);
}

class ResourceVersionSource : public VersionSource {
  public:
    explicit ResourceVersionSource(std::vector<char> data) : data_(std::move(data)) {}

    std::optional<uint32_t> FirstTranslation() override {
        void* value = nullptr;
        UINT length = 0;
        if (!::VerQueryValueA(data_.data(), "\\VarFileInfo\\Translation", &value, &length) ||
            !value || length < sizeof(uint32_t))
            return std::nullopt;
        uint32_t first = 0;
        std::memcpy(&first, value, sizeof first);
        return first;
    }

    std::optional<std::string> QueryString(const std::string& subBlock) override {
        void* value = nullptr;
        UINT length = 0;
        if (!::VerQueryValueA(data_.data(), subBlock.c_str(), &value, &length) || !value)
            return std::nullopt;
        // Not past the reported length, and never past the buffer.
        const char* text = static_cast<const char*>(value);
        const char* end = data_.data() + data_.size();
        size_t limit = text >= data_.data() && text < end ? size_t(end - text) : 0;
        return std::string(text, strnlen(text, std::min<size_t>(length, limit)));
    }

    std::string LanguageName(uint16_t languageId) override {
        char name[kLanguageNameChars + 1] = {};
        ::VerLanguageNameA(languageId, name, sizeof name);
        name[kLanguageNameChars] = '\0'; // a short buffer is not always terminated
        return name;
    }

  private:
    std::vector<char> data_;
};

std::optional<VersionFacts> ReadVersion(const std::string& path) {
    DWORD ignored = 0;
    DWORD size = ::GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0) return std::nullopt;
    std::vector<char> data(size);
    if (!::GetFileVersionInfoA(path.c_str(), 0, size, data.data())) return std::nullopt;
    ResourceVersionSource source(std::move(data));
    return ReadVersionFacts(source);
}

} // namespace

std::optional<FileFacts> ReadFileFacts(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA entry{};
    if (path.empty() || !::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &entry) ||
        (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    FileFacts facts;
    facts.path = path;
    facts.size = FileSize(path, entry);
    facts.lastWrite = LastWriteText(entry.ftLastWriteTime);
    facts.attributes = entry.dwFileAttributes;
    facts.version = ReadVersion(path);
    return facts;
}

} // namespace qv
