#pragma once
// The HTML report of the autostart entries, built from plain data: the
// entries, the texts of the language table it needs, the creation time as
// text and a way to read the boot files whose content it shows. The result
// is the document's bytes, ANSI, every line ending in CR LF. Writing the
// file, reading the boot files and the clock live in ReportFile.h. Pure
// code, no Windows headers.
#include "autostart/AutostartEntry.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// The language table lines the report shows.
struct ReportTexts {
    std::array<std::string, kGroupCount> groupNames; // lines 0 to 8, 185 to 193
    std::string emptyFile;                           // 61: a boot file without lines
    std::string rootKey, key, name, value;           // 64 to 67: registry headers
    std::string folder, file, target;                // 68 to 70
    std::string contents;                            // 71: the table of contents
};
// Fills the texts from a language table given as "line n".
ReportTexts ReportTextsFromLines(const std::function<std::string(Lng line)>& line);

// The bytes of a boot file (group 7) as stored, or nothing when it cannot
// be opened or read.
using ReportFileReader = std::function<std::optional<std::string>(const std::string& path)>;

// The report of every entry, a chapter per group in group order, in the
// order of entries within each group. created is the creation date and time as shown. Every
// value taken from an entry, a file or the language table is HTML-escaped:
// registry data is written by whatever program made the entry, and the
// document is opened by a browser control in the local machine zone. Throws
// AppError "Datei %s kann nicht geöffnet werden" when a boot file cannot be
// read.
std::string BuildReportHtml(const std::vector<AutostartEntry>& entries, const ReportTexts& texts,
                            std::string_view created, const ReportFileReader& readFile);

// Appends text with & < > " and ' replaced by their character references.
void AppendHtmlEscaped(std::string& out, std::string_view text);
std::string HtmlEscape(std::string_view text);

// The report's chapters and rows as plain text cells, for a window that
// cannot render HTML: the same entries, values and headers as the document,
// unescaped. A boot file's content is one cell of CR LF separated lines
// (or the empty-file text).
struct ReportChapter {
    int group = 0;
    std::string title;
    std::vector<std::string> columns; // header texts; empty where the document shows &nbsp;
    std::vector<std::vector<std::string>> rows;
};
struct ReportView {
    std::string title; // "Quorvik 6 Report"
    std::string created;
    std::vector<ReportChapter> chapters; // one per group, in group order
};
ReportView BuildReportView(const std::vector<AutostartEntry>& entries, const ReportTexts& texts,
                           std::string_view created, const ReportFileReader& readFile);
// The view as text for a read-only multi-line edit control: title, creation
// line, then every chapter with one block of "column: value" lines per row.
// Lines end in CR LF; continuation lines of a cell are indented; a NUL in
// a damaged record becomes a blank.
std::string ReportViewText(const ReportView& view);

} // namespace qv
