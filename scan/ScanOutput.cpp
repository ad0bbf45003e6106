#include "scan/ScanOutput.h"

#include "autostart/CommandLine.h"
#include "autostart/Groups.h"
#include "autostart/RootKeys.h"
#include "base/LanguageLines.h"
#include "base/Text.h"

#include <charconv>
#include <type_traits>

namespace qv {

namespace {

// The one list of the fields and their order: the header, the keys and the
// rows all come from here.
struct Ansi {
    std::string_view text;
};

template <class Visit> void ForEachField(const ScanRow& r, Visit&& v) {
    v("group", int64_t{r.group});
    v("group_name", Ansi{r.groupName});
    v("category", Ansi{r.category});
    v("kind", Ansi{r.kind});
    v("caption", Ansi{r.caption});
    v("detail", Ansi{r.detail});
    v("file_name", Ansi{r.fileName});
    v("root_key", Ansi{r.rootKey});
    v("section", Ansi{r.section});
    v("key_path", Ansi{r.keyPath});
    v("value_name", Ansi{r.valueName});
    v("value_data", Ansi{r.valueData});
    v("active", r.active);
    v("known", r.known);
    v("crc32", int64_t{r.crc32});
    v("sha256", Ansi{r.sha256});
    v("approved", Ansi{r.approved});
}

// Behind either set of fields, when the listing was asked to verify.
template <class Visit> void ForEachSignatureField(const ScanRow& r, Visit&& v) {
    v("signer", Ansi{r.signer});
    v("signature", Ansi{r.signature});
}

// osquery's startup_items columns, in its order.
template <class Visit> void ForEachOsqueryColumn(const OsqueryColumns& c, Visit&& v) {
    v("name", Ansi{c.name});
    v("path", Ansi{c.path});
    v("args", Ansi{c.args});
    v("type", Ansi{c.type});
    v("source", Ansi{c.source});
    v("status", Ansi{c.status});
    v("username", Ansi{c.username});
}

bool StartsWithFolder(std::string_view path, std::string_view folder) {
    return !folder.empty() && path.size() > folder.size() && path[folder.size()] == '\\' &&
           SameTextAscii(path.substr(0, folder.size()), folder);
}

std::string_view KindText(uint8_t kind) {
    // A damaged record's kind is printed as its number.
    static const std::array<std::string, 256> numbers = [] {
        std::array<std::string, 256> n;
        for (size_t i = 0; i < n.size(); ++i)
            n[i] = std::to_string(i);
        return n;
    }();
    switch (kind) {
    case KindRegistry:
        return "registry";
    case KindIni:
        return "ini";
    case KindFile:
        return "file";
    default:
        return numbers[kind];
    }
}

// The lines of the shipped qv6.lng, for a folder without one.
constexpr std::array<std::string_view, kGroupCount> kBuiltInGroupNames = {
    "Registry: Run-Schl\xFCssel",
    "Shell-Open-Befehle (EXE, COM, BAT, HTA, PIF)",
    "Active Setup: StubPath-Eintr\xE4ge",
    "Statische VxD-Treiber",
    "ICQ-Agent: Anwendungen",
    "Autostart-Ordner",
    "WIN.INI und SYSTEM.INI",
    "Boot- und Batchdateien",
    "Explorer im Stammverzeichnis von C:",
    "Geplante Aufgaben",
    "Dienste",
    "Treiber",
    "Winlogon",
    "Image-Hijacks",
    "AppInit-DLLs",
    "LSA-Pakete",
    "Druckmonitore",
    "Apps (Store)",
};
constexpr std::string_view kBuiltInDefaultMark = "(Windows-Standard)";
constexpr std::string_view kBuiltInExplorerCaption =
    "C:\\EXPLORER.EXE (geh\xF6rt nicht ins Stammverzeichnis)";

} // namespace

std::string_view ScanTexts::GroupName(int group) const {
    if (group < 0 || group >= kGroupCount) return {};
    return groupNames[static_cast<size_t>(group)];
}

ScanTexts ScanTextsFrom(const LanguageFile* language) {
    ScanTexts t;
    auto line = [&](Lng n, std::string_view fallback) {
        if (language && !(*language)[n].empty()) return (*language)[n];
        return std::string(fallback);
    };
    for (int g = 0; g < kGroupCount; ++g)
        t.groupNames[static_cast<size_t>(g)] = line(GroupName(GroupOfByte(static_cast<uint8_t>(g))),
                                                    kBuiltInGroupNames[static_cast<size_t>(g)]);
    t.explorerCaption = line(Lng::ExplorerCaption, kBuiltInExplorerCaption);
    t.defaultMark = line(Lng::WindowsDefaultMark, kBuiltInDefaultMark);
    return t;
}

ScanRow MakeScanRow(const AutostartEntry& e, std::string_view groupName, bool known,
                    std::string_view sha256Hex, Approval approved) {
    ScanRow r;
    r.group = e.Group;
    r.groupName = groupName;
    r.category = GroupCategory(e.Group);
    r.kind = KindText(e.Kind);
    r.caption = e.Caption.view();
    r.detail = e.Detail.view();
    r.fileName = e.FileName.view();
    // RootKey holds the root's handle for registry entries and the section
    // for ini entries: each gets a field of its own.
    if (e.Kind == KindRegistry)
        r.rootKey = RootKeyNameOrEmpty(e.RootKey.view());
    else if (e.Kind == KindIni)
        r.section = e.RootKey.view();
    r.keyPath = e.KeyPath.view();
    r.valueName = e.ValueName.view();
    r.valueData = e.ValueData.view();
    r.active = e.Active != 0;
    r.known = known;
    r.crc32 = e.Checksum;
    r.sha256 = sha256Hex;
    r.approved = ApprovalText(approved);
    return r;
}

OsqueryColumns OsqueryColumnsOf(const ScanRow& row, const OsqueryContext& context) {
    OsqueryColumns c;
    c.type = "Startup Item";
    c.status = !row.active || row.approved == "disabled" ? "disabled" : "enabled";
    bool users = false;
    if (row.kind == "registry") {
        // The shell's open commands have no value name: their caption says
        // which one it is.
        c.name.assign(row.valueName.empty() ? row.caption : row.valueName);
        SplitCommand(row.valueData, c.path, c.args);
        std::string_view key = row.keyPath;
        if (!key.empty() && key.front() == '\\') key.remove_prefix(1);
        c.source.assign(row.rootKey).append("\\").append(key);
        users = row.rootKey == "HKEY_CURRENT_USER";
    } else if (row.kind == "ini") {
        c.name.assign(row.valueName);
        SplitCommand(row.valueData, c.path, c.args);
        c.source.assign(row.fileName).append(" [").append(row.section).append("]");
        users = StartsWithFolder(row.fileName, context.userProfile);
    } else {
        c.name.assign(row.caption);
        c.path.assign(row.fileName);
        c.source.assign(ExtractFilePath(row.fileName));
        if (c.source.size() > 1 && c.source.back() == '\\') c.source.pop_back();
        users = StartsWithFolder(row.fileName, context.userProfile);
    }
    if (users) c.username.assign(context.userName);
    return c;
}

std::vector<std::string_view> ScanFieldNames(ColumnSet columns, bool signatures) {
    std::vector<std::string_view> names;
    auto add = [&](std::string_view name, const auto&) { names.push_back(name); };
    if (columns == ColumnSet::Osquery)
        ForEachOsqueryColumn(OsqueryColumns{}, add);
    else
        ForEachField(ScanRow{}, add);
    if (signatures) ForEachSignatureField(ScanRow{}, add);
    return names;
}

void ForEachFieldText(const ScanRow& row, const Utf8Converter& utf8,
                      const std::function<void(std::string_view name, std::string_view utf8)>& f) {
    std::string text;
    ForEachField(row, [&](std::string_view name, const auto& value) {
        using T = std::decay_t<decltype(value)>;
        text.clear();
        if constexpr (std::is_same_v<T, Ansi>)
            utf8.Append(text, value.text);
        else if constexpr (std::is_same_v<T, bool>)
            text = value ? "true" : "false";
        else
            text = std::to_string(value);
        f(name, text);
    });
}

void AppendUtf8(std::string& out, char32_t cp) {
    if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = 0xFFFD;
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

SingleByteUtf8::SingleByteUtf8(const std::array<char32_t, 256>& codePoints) {
    std::string seq;
    for (size_t b = 0; b < 256; ++b) {
        char32_t cp = b < 0x80 ? static_cast<char32_t>(b) : codePoints[b];
        if (cp == 0 && b != 0) cp = 0xFFFD;
        seq.clear();
        AppendUtf8(seq, cp);
        length_[b] = static_cast<uint8_t>(seq.size());
        for (size_t i = 0; i < seq.size(); ++i)
            bytes_[b][i] = seq[i];
    }
}

void SingleByteUtf8::Append(std::string& out, std::string_view ansi) const {
    // Most texts are plain ASCII: copied in one piece.
    size_t i = 0;
    while (i < ansi.size() && static_cast<unsigned char>(ansi[i]) < 0x80)
        ++i;
    out.append(ansi.data(), i);
    for (; i < ansi.size(); ++i) {
        const auto b = static_cast<unsigned char>(ansi[i]);
        if (b < 0x80)
            out.push_back(static_cast<char>(b));
        else
            out.append(bytes_[b].data(), length_[b]);
    }
}

void AppendCsvField(std::string& out, std::string_view utf8) {
    // A spreadsheet runs a cell that begins with one of these as a formula,
    // and an autostart value is anybody's text: the apostrophe makes it text.
    const bool defuse =
        !utf8.empty() && std::string_view("=+-@\t\r").find(utf8.front()) != std::string_view::npos;
    bool quote = false;
    for (char c : utf8)
        quote |= c == ',' || c == '"' || c == '\r' || c == '\n';
    if (!quote) {
        if (defuse) out.push_back('\'');
        out.append(utf8);
        return;
    }
    out.push_back('"');
    if (defuse) out.push_back('\'');
    for (char c : utf8) {
        if (c == '"') out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
}

void AppendJsonString(std::string& out, std::string_view utf8) {
    static constexpr char kHex[] = "0123456789abcdef";
    out.push_back('"');
    size_t plain = 0; // start of the run not yet copied
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c >= 0x20 && c != '"' && c != '\\') continue;
        out.append(utf8.data() + plain, i - plain);
        plain = i + 1;
        switch (c) {
        case '"':
            out.append("\\\"");
            break;
        case '\\':
            out.append("\\\\");
            break;
        case '\n':
            out.append("\\n");
            break;
        case '\r':
            out.append("\\r");
            break;
        case '\t':
            out.append("\\t");
            break;
        default:
            out.append("\\u00");
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        }
    }
    out.append(utf8.data() + plain, utf8.size() - plain);
    out.push_back('"');
}

void ScanWriter::Begin() {
    firstRow_ = true;
    if (format_ == OutputFormat::Json) out_.append("[\n");
    if (Json()) return;
    bool first = true;
    for (std::string_view name : ScanFieldNames(columns_, signatures_)) {
        if (!first) out_.push_back(',');
        first = false;
        AppendCsvField(out_, name);
    }
    out_.append("\r\n");
}

void ScanWriter::Row(const ScanRow& row) {
    if (format_ == OutputFormat::Json) {
        if (!firstRow_) out_.append(",\n");
        out_.push_back('{');
    }
    if (format_ == OutputFormat::Jsonl) out_.push_back('{');
    firstRow_ = false;
    firstField_ = true;
    auto field = [&](std::string_view name, const auto& value) {
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<T, Ansi>)
            Text(name, value.text);
        else if constexpr (std::is_same_v<T, bool>)
            Bool(name, value);
        else
            Number(name, value);
    };
    if (columns_ == ColumnSet::Osquery)
        ForEachOsqueryColumn(OsqueryColumnsOf(row, context_), field);
    else
        ForEachField(row, field);
    if (signatures_) ForEachSignatureField(row, field);
    if (format_ == OutputFormat::Json)
        out_.push_back('}');
    else if (format_ == OutputFormat::Jsonl)
        out_.append("}\n");
    else
        out_.append("\r\n");
}

void ScanWriter::End() {
    if (format_ != OutputFormat::Json) return;
    out_.append(firstRow_ ? "]\n" : "\n]\n");
}

void ScanWriter::Key(std::string_view name) {
    // The field names are plain lower-case words: nothing to escape. One
    // append per key; every row has seventeen.
    const bool comma = !firstField_;
    firstField_ = false;
    if (!Json()) {
        if (comma) out_.push_back(',');
        return;
    }
    char buf[64];
    if (name.size() + 4 > sizeof buf) {
        if (comma) out_.push_back(',');
        AppendJsonString(out_, name);
        out_.push_back(':');
        return;
    }
    size_t n = 0;
    if (comma) buf[n++] = ',';
    buf[n++] = '"';
    for (char c : name)
        buf[n++] = c;
    buf[n++] = '"';
    buf[n++] = ':';
    out_.append(buf, n);
}

// What a byte of a text asks of the writer: nothing (printable ASCII that
// neither format quotes), quoting or escaping, or conversion (not ASCII).
enum ByteClass : uint8_t { kPlain = 0, kSpecial = 1, kNotAscii = 2 };

constexpr std::array<uint8_t, 256> MakeByteClasses() {
    std::array<uint8_t, 256> t{};
    for (int c = 0; c < 256; ++c)
        t[static_cast<size_t>(c)] = c >= 0x80                                       ? kNotAscii
                                    : c < 0x20 || c == '"' || c == '\\' || c == ',' ? kSpecial
                                                                                    : kPlain;
    return t;
}
constexpr std::array<uint8_t, 256> kByteClasses = MakeByteClasses();

uint8_t ClassesOf(std::string_view text) {
    uint8_t all = kPlain;
    for (char c : text)
        all |= kByteClasses[static_cast<unsigned char>(c)];
    return all;
}

void ScanWriter::Text(std::string_view name, std::string_view ansi) {
    // Most texts are ASCII, which is UTF-8 as it stands.
    const uint8_t classes = ClassesOf(ansi);
    if (classes & kNotAscii) {
        scratch_.clear();
        utf8_.Append(scratch_, ansi);
        Put(name, scratch_, (ClassesOf(scratch_) & kSpecial) == 0);
    } else {
        Put(name, ansi, classes == kPlain);
    }
}

void ScanWriter::Put(std::string_view name, std::string_view utf8, bool plain) {
    Key(name);
    const bool json = Json();
    if (!plain) {
        if (json)
            AppendJsonString(out_, utf8);
        else
            AppendCsvField(out_, utf8);
    } else if (json) {
        out_.push_back('"');
        out_.append(utf8);
        out_.push_back('"');
    } else {
        out_.append(utf8);
    }
}

void ScanWriter::Number(std::string_view name, int64_t value) {
    Key(name);
    char buf[24];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    (void)ec;
    out_.append(buf, end);
}

void ScanWriter::Bool(std::string_view name, bool value) {
    Key(name);
    out_.append(value ? "true" : "false");
}

} // namespace qv
