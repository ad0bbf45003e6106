#pragma once
// The report file beside the program and what the report window does with
// it: writing it, reading the boot files it shows, the creation time in the
// user's format, keeping a copy and deleting it. The window itself only
// calls these and shows their outcome.
#include "report/ReportWriter.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

inline constexpr const char* kReportFileName = "report.html";

// The report window's fixed texts and its save dialog's settings (the
// dialog also asks before it replaces a file, hides the read-only box and
// can be resized).
inline constexpr const char* kReportWindowCaption = "Report";
inline constexpr const char* kReportSaveTitle = "Report speichern";
inline constexpr const char* kReportSaveFilter =
    "HTML-Dateien (*.html)|*.html|Alle Dateien (*.*)|*.*";
inline constexpr const char* kReportSaveDefaultExt = "html";

// appDir ends with a backslash.
std::string ReportFilePath(const std::string& appDir);

// A local date and time, as the clock gives it.
struct LocalDateTime {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};
// Exactly midnight: the creation line then shows the date alone.
bool IsMidnight(const LocalDateTime& t);
LocalDateTime CurrentLocalTime();
// The user's short date format, a blank and the user's long time format;
// the date alone at midnight. ANSI.
std::string FormatCreationTime(const LocalDateTime& t);
// FormatCreationTime of the current local time.
std::string ReportCreationTime();

// The whole file as stored, or nothing when it cannot be opened or read.
// A boot file is small, but a 20 MB one is read just the same.
std::optional<std::string> ReadBootFileBytes(const std::string& path);

// Replaces the file with the bytes: an old one, read-only or not, is
// deleted first, and the new one is written atomically (WriteFileAtomic).
// Throws AppError "Datei %s kann nicht erstellt werden"; a file that could
// not be written whole never appears.
void WriteReportFile(const std::string& path, std::string_view html);

// Writes the report of the entries to appDir + "report.html" and returns the
// path. The old report is deleted before the new one is built, so a failure
// (the AppError of a boot file that cannot be opened, or of the file
// itself) leaves no report behind.
std::string WriteReport(const std::string& appDir, const std::vector<AutostartEntry>& entries,
                        const ReportTexts& texts, std::string_view created,
                        const ReportFileReader& readFile = ReadBootFileBytes);

// SaveBtn: copies the report to the chosen file, replacing one that exists
// there. True when the copy succeeded (the window confirms either way).
bool SaveReportCopy(const std::string& appDir, const std::string& target);
// CloseBtn: deletes the report. True when no report is left.
bool DeleteReport(const std::string& appDir);

} // namespace qv
