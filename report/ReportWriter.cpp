#include "report/ReportWriter.h"

#include "base/FileErrors.h"
#include "autostart/RootKeys.h"

#include "base/Errors.h"
#include "base/LanguageLines.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qv {

namespace {

constexpr std::string_view kEol = "\r\n";
constexpr std::string_view kTitle = "Quorvik 6 Report";

// The fixed texts of the document, byte for byte.
constexpr std::string_view kHead =
    "<html><head><title>Quorvik 6 Report</title><style>h1 {font-size:15px;font-weight:bold} "
    "table {font-family:arial,verdana;font-size:12px}</style></head>"
    "<body style=\"font-family:arial,verdana;font-size:14px\" topmargin=\"0\" "
    "leftmargin=\"5\"><a name=\"top\">&nbsp;</a>";
constexpr std::string_view kHeading =
    "<p style=\"font-size:18px;font-weight:bold;text-align:"
    "center\">Quorvik 6 Report<br><span style=\"font-size:14px\">";
constexpr std::string_view kCreated = "Created: ";
constexpr std::string_view kCreatedEnd = "</span></p>";
constexpr std::string_view kContentsEnd = "</b><div style=\"margin-left:50px;font-size:10px\">";
constexpr std::string_view kTableStart =
    "<table style=\"margin-left:30px\" border=\"1\" cellpadding=\"5\" cellspacing=\"0\" "
    "width=\"90%\">\t<tr style=\"font-weight:bold\" bgcolor=\"#f0f0f0\">";
constexpr std::string_view kChapterEnd =
    "</table><br>\r\n<div align=\"right\" style=\"font-size:12px\"><a href=\"#top\">Top</a></div>";

// The bytes the writer has to look at: the five that need a character
// reference, and in a boot file's content also the line ends and the NUL
// that ends the text.
enum : uint8_t { kPlain = 0, kSpecial = 1, kLineEnd = 2, kNul = 3 };
struct ByteClasses {
    uint8_t of[256] = {};
    constexpr ByteClasses() {
        for (char c : {'&', '<', '>', '"', '\''})
            of[static_cast<unsigned char>(c)] = kSpecial;
        of[static_cast<unsigned char>('\r')] = kLineEnd;
        of[static_cast<unsigned char>('\n')] = kLineEnd;
        of[0] = kNul;
    }
};
constexpr ByteClasses kClasses;

// The index of the first byte in p[0, n) that needs attention, or n. With
// content set the line ends and NUL count as well. Sixteen bytes a step
// where the processor allows: the report's text is mostly plain.
template <bool content> size_t NextMarked(const char* p, size_t n) {
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i amp = _mm_set1_epi8('&'), lt = _mm_set1_epi8('<'), gt = _mm_set1_epi8('>');
    const __m128i quot = _mm_set1_epi8('"'), apos = _mm_set1_epi8('\'');
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n'), nul = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        __m128i m = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(v, amp), _mm_cmpeq_epi8(v, lt)),
            _mm_or_si128(_mm_cmpeq_epi8(v, gt),
                         _mm_or_si128(_mm_cmpeq_epi8(v, quot), _mm_cmpeq_epi8(v, apos))));
        if constexpr (content)
            m = _mm_or_si128(
                m, _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)),
                                _mm_cmpeq_epi8(v, nul)));
        if (int bits = _mm_movemask_epi8(m)) return i + static_cast<size_t>(__builtin_ctz(bits));
    }
#endif
    for (; i < n; ++i) {
        uint8_t c = kClasses.of[static_cast<unsigned char>(p[i])];
        if (c == kSpecial || (content && c != kPlain)) return i;
    }
    return n;
}

// The character reference of one of the five special bytes.
std::string_view Reference(char c) {
    switch (c) {
    case '&':
        return "&amp;";
    case '<':
        return "&lt;";
    case '>':
        return "&gt;";
    case '"':
        return "&quot;";
    default:
        return "&#39;";
    }
}

// The document under construction, grown ahead from a first guess of its
// size.
class Sink {
  public:
    explicit Sink(size_t guess) { buf_.reserve(guess); }

    void Put(std::string_view s) { buf_.append(s); }
    void PutEscaped(std::string_view s) {
        const char* p = s.data();
        size_t n = s.size();
        for (;;) {
            size_t at = NextMarked<false>(p, n);
            Put({p, at});
            if (at == n) return;
            Put(Reference(p[at]));
            p += at + 1;
            n -= at + 1;
        }
    }
    // A boot file's content as the second cell shows it: every line
    // escaped and followed by <br>, the same lines ForEachLine gives.
    // Returns the number of lines.
    size_t PutContentLines(std::string_view text) {
        const char* p = text.data();
        const size_t n = text.size();
        size_t lines = 0, i = 0;
        bool open = false; // a line has begun and not yet ended
        while (i < n) {
            size_t at = i + NextMarked<true>(p + i, n - i);
            if (at > i) {
                Put({p + i, at - i});
                open = true;
            }
            if (at == n) break;
            const char c = p[at];
            if (c == 0) break; // the text ends at its first NUL
            i = at + 1;
            if (kClasses.of[static_cast<unsigned char>(c)] == kSpecial) {
                Put(Reference(c));
                open = true;
                continue;
            }
            if (c == '\r' && i < n && p[i] == '\n') ++i;
            Put("<br>");
            ++lines;
            open = false;
        }
        if (open) {
            Put("<br>");
            ++lines;
        }
        return lines;
    }
    std::string Take() { return std::move(buf_); }

  private:
    std::string buf_;
};

// Everything up to and including the last backslash or colon.
std::string_view FolderPart(std::string_view path) {
    size_t at = path.find_last_of("\\:");
    return at == std::string_view::npos ? std::string_view() : path.substr(0, at + 1);
}

// Calls line(text) for every line of a boot file: the text ends at the
// first NUL, and CR LF, a lone CR and a lone LF each end a line. A last line
// without an ending is a line; an empty text has none.
template <class F> size_t ForEachLine(std::string_view text, F&& line) {
    size_t nul = text.find('\0');
    if (nul != std::string_view::npos) text = text.substr(0, nul);
    size_t count = 0, start = 0;
    const char* p = text.data();
    for (size_t i = 0; i < text.size(); ++i) {
        char c = p[i];
        if (c != '\r' && c != '\n') continue;
        line(text.substr(start, i - start));
        ++count;
        if (c == '\r' && i + 1 < text.size() && p[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) {
        line(text.substr(start));
        ++count;
    }
    return count;
}

std::string ReadBootFile(const ReportFileReader& readFile, const std::string& path) {
    std::optional<std::string> bytes = readFile ? readFile(path) : std::nullopt;
    if (!bytes) throw AppError(FileErrorText(FileOperation::Open, path));
    return std::move(*bytes);
}

void Cell(Sink& out, std::string_view open, std::string_view value) {
    out.Put(open);
    out.PutEscaped(value);
    out.Put("</td>");
}

// The kinds of table of the report: the registry groups of old share one,
// the groups from 9 on another.
enum class Table { Registry, StartupFolders, IniLines, BootFiles, RootExplorer, Source };

Table TableOf(int group) {
    if (group <= GroupByte(AutostartGroup::IcqAgent)) return Table::Registry;
    if (group >= kClassicGroupCount) return Table::Source;
    switch (static_cast<AutostartGroup>(group)) {
    case AutostartGroup::StartupFolders:
        return Table::StartupFolders;
    case AutostartGroup::IniLines:
        return Table::IniLines;
    case AutostartGroup::BootFiles:
        return Table::BootFiles;
    default:
        return Table::RootExplorer;
    }
}

void HeaderLine(Sink& out, int group, const ReportTexts& t) {
    auto head = [&](std::string_view text) { Cell(out, "<td>", text); };
    switch (TableOf(group)) {
    case Table::Registry:
        head(t.rootKey), head(t.key), head(t.name), head(t.value);
        break;
    case Table::StartupFolders:
        head(t.folder), head(t.file), head(t.target);
        break;
    case Table::IniLines:
        head(t.file), head(t.name), head(t.value);
        break;
    case Table::BootFiles:
        head(t.file), head(t.value);
        break;
    case Table::RootExplorer:
        head(t.folder);
        out.Put("<td>&nbsp;</td>");
        break;
    case Table::Source:
        head(t.name), head(t.target), head(t.key);
        break;
    }
    out.Put("</tr>\r\n");
}

// Where an entry of the newer groups lives: the registry value as root key,
// key path and value name, or the file.
std::string SourceText(const AutostartEntry& e) {
    if (e.Kind != KindRegistry) return e.FileName.str();
    std::string text(RootKeyNameOrEmpty(e.RootKey.view()));
    std::string_view key = e.KeyPath.view();
    if (!key.empty() && key.front() != '\\') text += '\\';
    text += key;
    text += " : ";
    text += e.ValueName.view();
    return text;
}

void RowLine(Sink& out, const AutostartEntry& e, const ReportTexts& t,
             const ReportFileReader& readFile) {
    constexpr std::string_view td = "<td nowrap>";
    constexpr std::string_view tdSpace = "<td nowrap>&nbsp;";
    constexpr std::string_view trTd = "<tr><td nowrap>";
    constexpr std::string_view trTdTop = "<tr><td valign=\"top\" nowrap>";
    switch (TableOf(e.Group)) {
    case Table::Registry:
        Cell(out, trTd, RootKeyNameOrEmpty(e.RootKey.view()));
        Cell(out, td, e.KeyPath.view());
        Cell(out, tdSpace, e.ValueName.view());
        Cell(out, td, e.ValueData.view());
        break;
    case Table::StartupFolders:
        Cell(out, trTd, FolderPart(e.FileName.view()));
        Cell(out, td, e.Caption.view());
        Cell(out, tdSpace, e.Detail.view());
        break;
    case Table::IniLines:
        Cell(out, trTd, e.FileName.view());
        Cell(out, td, e.ValueName.view());
        Cell(out, tdSpace, e.ValueData.view());
        break;
    case Table::BootFiles: {
        Cell(out, trTdTop, e.FileName.view());
        out.Put(td);
        const std::string content = ReadBootFile(readFile, e.FileName.str());
        if (out.PutContentLines(content) == 0) out.PutEscaped(t.emptyFile);
        out.Put("</td>");
        break;
    }
    case Table::RootExplorer:
        Cell(out, trTdTop, e.FileName.view());
        Cell(out, td, e.Caption.view());
        break;
    case Table::Source:
        Cell(out, trTd, e.Caption.view());
        Cell(out, td, e.Detail.view());
        Cell(out, td, SourceText(e));
        break;
    }
    out.Put("</tr>\r\n");
}

// A first guess of the document's size from the fields each group shows,
// so that it grows in few steps.
size_t EstimateSize(const std::vector<AutostartEntry>& entries) {
    size_t n = 8192;
    for (const AutostartEntry& e : entries) {
        if (e.Group >= kGroupCount) continue; // not in any chapter
        switch (TableOf(e.Group)) {
        case Table::Registry:
            n += 120 + e.KeyPath.Length + e.ValueName.Length + e.ValueData.Length;
            break;
        case Table::StartupFolders:
            n += 100 + e.FileName.Length + e.Caption.Length + e.Detail.Length;
            break;
        case Table::IniLines:
            n += 100 + e.FileName.Length + e.ValueName.Length + e.ValueData.Length;
            break;
        case Table::Source:
            n += 120 + e.Caption.Length + e.Detail.Length + e.KeyPath.Length + e.ValueName.Length +
                 e.FileName.Length;
            break;
        default:
            n += 100 + e.FileName.Length + e.Caption.Length;
            break;
        }
    }
    return n;
}

} // namespace

ReportTexts ReportTextsFromLines(const std::function<std::string(Lng line)>& line) {
    ReportTexts t;
    for (int g = 0; g < kGroupCount; ++g)
        t.groupNames[g] = line(GroupName(GroupOfByte(static_cast<uint8_t>(g))));
    t.emptyFile = line(Lng::ReportEmptyFile);
    t.rootKey = line(Lng::ReportRootKey);
    t.key = line(Lng::ReportKey);
    t.name = line(Lng::ReportName);
    t.value = line(Lng::ReportValue);
    t.folder = line(Lng::ReportFolder);
    t.file = line(Lng::ReportFile);
    t.target = line(Lng::ReportTarget);
    t.contents = line(Lng::ReportContents);
    return t;
}

void AppendHtmlEscaped(std::string& out, std::string_view text) {
    const char* p = text.data();
    size_t n = text.size();
    for (;;) {
        size_t at = NextMarked<false>(p, n);
        out.append(p, at);
        if (at == n) return;
        out += Reference(p[at]);
        p += at + 1;
        n -= at + 1;
    }
}

std::string HtmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    AppendHtmlEscaped(out, text);
    return out;
}

std::string BuildReportHtml(const std::vector<AutostartEntry>& entries, const ReportTexts& texts,
                            std::string_view created, const ReportFileReader& readFile) {
    Sink out(EstimateSize(entries));
    out.Put(kHead);
    out.Put(kEol);
    out.Put(kHeading);
    out.Put(kEol);
    out.Put(kCreated);
    out.PutEscaped(created);
    out.Put(kCreatedEnd);
    out.Put(kEol);

    out.Put("<b>");
    out.PutEscaped(texts.contents);
    out.Put(kContentsEnd);
    for (int g = 0; g < kGroupCount; ++g) {
        out.Put("<a href=\"#chapter");
        out.Put(std::to_string(g));
        out.Put("\">");
        out.PutEscaped(texts.groupNames[g]);
        out.Put("</a>");
        if (g + 1 < kGroupCount) out.Put("<br>");
    }
    out.Put("</div><hr>");
    out.Put(kEol);

    // One pass to sort the entries into their chapters, keeping their order.
    std::array<std::vector<const AutostartEntry*>, kGroupCount> byGroup;
    for (const AutostartEntry& e : entries)
        if (e.Group < kGroupCount) byGroup[e.Group].push_back(&e);

    for (int g = 0; g < kGroupCount; ++g) {
        out.Put("<a name=\"chapter");
        out.Put(std::to_string(g));
        out.Put("\">&nbsp;</a>");
        out.Put(kEol);
        out.Put("<h1>");
        out.PutEscaped(texts.groupNames[g]);
        out.Put("</h1>");
        out.Put(kEol);
        out.Put(kTableStart);
        out.Put(kEol);
        HeaderLine(out, g, texts);
        for (const AutostartEntry* e : byGroup[g])
            RowLine(out, *e, texts, readFile);
        out.Put(kChapterEnd);
        out.Put(kEol);
    }
    out.Put("</body></html>");
    out.Put(kEol);
    return out.Take();
}

ReportView BuildReportView(const std::vector<AutostartEntry>& entries, const ReportTexts& texts,
                           std::string_view created, const ReportFileReader& readFile) {
    ReportView view;
    view.title = kTitle;
    view.created.assign(created);
    for (int g = 0; g < kGroupCount; ++g) {
        ReportChapter c;
        c.group = g;
        c.title = texts.groupNames[g];
        if (g <= 4)
            c.columns = {texts.rootKey, texts.key, texts.name, texts.value};
        else if (g == 5)
            c.columns = {texts.folder, texts.file, texts.target};
        else if (g == 6)
            c.columns = {texts.file, texts.name, texts.value};
        else if (g == 7)
            c.columns = {texts.file, texts.value};
        else if (g == 8)
            c.columns = {texts.folder, ""};
        else
            c.columns = {texts.name, texts.target, texts.key};
        view.chapters.push_back(std::move(c));
    }
    for (const AutostartEntry& e : entries) {
        if (e.Group >= kGroupCount) continue;
        const int g = e.Group;
        std::vector<std::string> row;
        switch (TableOf(g)) {
        case Table::Registry:
            row = {std::string(RootKeyNameOrEmpty(e.RootKey.view())), e.KeyPath.str(),
                   e.ValueName.str(), e.ValueData.str()};
            break;
        case Table::StartupFolders:
            row = {std::string(FolderPart(e.FileName.view())), e.Caption.str(), e.Detail.str()};
            break;
        case Table::IniLines:
            row = {e.FileName.str(), e.ValueName.str(), e.ValueData.str()};
            break;
        case Table::BootFiles: {
            const std::string content = ReadBootFile(readFile, e.FileName.str());
            std::string cell;
            size_t lines = ForEachLine(content, [&, n = 0](std::string_view line) mutable {
                if (n++ > 0) cell += kEol;
                cell += line;
            });
            if (lines == 0) cell = texts.emptyFile;
            row = {e.FileName.str(), std::move(cell)};
            break;
        }
        case Table::RootExplorer:
            row = {e.FileName.str(), e.Caption.str()};
            break;
        case Table::Source:
            row = {e.Caption.str(), e.Detail.str(), SourceText(e)};
            break;
        }
        view.chapters[g].rows.push_back(std::move(row));
    }
    return view;
}

std::string ReportViewText(const ReportView& view) {
    std::string out;
    out += view.title;
    out += kEol;
    out += kCreated;
    out += view.created;
    out += kEol;
    for (const ReportChapter& c : view.chapters) {
        out += kEol;
        out += c.title;
        out += kEol;
        out += std::string(c.title.size() < 3 ? 3 : c.title.size(), '=');
        out += kEol;
        for (const auto& row : c.rows) {
            for (size_t i = 0; i < row.size(); ++i) {
                std::string_view column;
                if (i < c.columns.size()) column = c.columns[i];
                out += "  ";
                if (!column.empty()) {
                    out += column;
                    out += ": ";
                }
                // A boot file's lines each get a line of their own.
                std::string_view cell = row[i];
                size_t start = 0;
                for (;;) {
                    size_t eol = cell.find(kEol, start);
                    out += cell.substr(start, eol == std::string_view::npos ? eol : eol - start);
                    out += kEol;
                    if (eol == std::string_view::npos) break;
                    start = eol + kEol.size();
                    out += "    ";
                }
            }
            out += kEol;
        }
    }
    // A text control would end the whole text at a NUL from a damaged
    // record.
    std::replace(out.begin(), out.end(), '\0', ' ');
    return out;
}

} // namespace qv
