// The report's file work over the ANSI Windows API, and the user's date and
// time formats.
#include "report/ReportFile.h"

#include "base/FileErrors.h"
#include "base/Errors.h"
#include "base/Files.h"
#include "base/Handles.h"
#include "base/WinText.h"

#include <windows.h>

#include <algorithm>

namespace qv {

namespace {

// An old report goes whatever its attributes: one left read-only by a
// copy tool or an earlier run must not stop the next report.
void RemoveOldReport(const std::string& path) {
    if (::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(path.c_str());
}

SYSTEMTIME ToSystemTime(const LocalDateTime& t) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(t.year);
    st.wMonth = static_cast<WORD>(t.month);
    st.wDay = static_cast<WORD>(t.day);
    st.wHour = static_cast<WORD>(t.hour);
    st.wMinute = static_cast<WORD>(t.minute);
    st.wSecond = static_cast<WORD>(t.second);
    st.wMilliseconds = static_cast<WORD>(t.millisecond);
    return st;
}

} // namespace

LocalDateTime CurrentLocalTime() {
    SYSTEMTIME st{};
    ::GetLocalTime(&st);
    return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
}

std::string FormatCreationTime(const LocalDateTime& t) {
    const SYSTEMTIME st = ToSystemTime(t);
    // Formatted wide and converted once, so the text is in the same ANSI
    // code page as everything else in the document.
    wchar_t date[128] = {};
    if (!::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, date, 128))
        date[0] = 0;
    if (IsMidnight(t)) return FromWide(date);
    wchar_t time[128] = {};
    if (!::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, time, 128)) time[0] = 0;
    return FromWide(date) + " " + FromWide(time);
}

std::string ReportCreationTime() {
    return FormatCreationTime(CurrentLocalTime());
}

std::optional<std::string> ReadBootFileBytes(const std::string& path) {
    return ReadFileBytes(path);
}

void WriteReportFile(const std::string& path, std::string_view html) {
    // A read-only old report would refuse the replacement.
    RemoveOldReport(path);
    // A temporary file flushed and then put in place: a crash or a full disk
    // never leaves half a report that the window would show as whole.
    WriteFileAtomic(path, html);
}

std::string WriteReport(const std::string& appDir, const std::vector<AutostartEntry>& entries,
                        const ReportTexts& texts, std::string_view created,
                        const ReportFileReader& readFile) {
    const std::string path = ReportFilePath(appDir);
    RemoveOldReport(path);
    const std::string html = BuildReportHtml(entries, texts, created, readFile);
    WriteReportFile(path, html);
    return path;
}

bool SaveReportCopy(const std::string& appDir, const std::string& target) {
    return ::CopyFileA(ReportFilePath(appDir).c_str(), target.c_str(), FALSE) != 0;
}

bool DeleteReport(const std::string& appDir) {
    const std::string path = ReportFilePath(appDir);
    RemoveOldReport(path);
    return ::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

} // namespace qv
