#pragma once
// What qv6scan prints: one row per autostart entry, as CSV (RFC 4180, with a
// header row), as one JSON array of objects or as one JSON object per line,
// always in UTF-8; with its own fields or with the columns fleet tools know
// as osquery's startup_items. The data
// model's texts are ANSI; they become UTF-8 in one place, the converter the
// writer is given. Pure code.
#include "autostart/AutostartEntry.h"
#include "autostart/StartupApproved.h"
#include "base/LanguageFile.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// The texts of the language file the listing needs: the group names (lines
// 0 to 8 and 185 to 193), the caption of a stray c:\explorer.exe (line 9) and
// the mark of Windows' own entries (line 199). A line the file lacks, or
// every line when there is no file, is the built-in German text.
struct ScanTexts {
    std::array<std::string, kGroupCount> groupNames;
    std::string explorerCaption;
    std::string defaultMark;
    // The group's name; empty for a number outside the groups.
    std::string_view GroupName(int group) const;
};
ScanTexts ScanTextsFrom(const LanguageFile* language);

// One entry as printed: views into the entry and the caller's texts, valid
// while they are. Every text is ANSI, like the record's (the names and
// tokens that are plain ASCII as well).
struct ScanRow {
    int group = 0;
    std::string_view groupName;
    std::string_view category; // the group in English words, whatever the language
    std::string_view kind;     // "registry", "ini", "file", or the record's number
    std::string_view caption;
    std::string_view detail;
    std::string_view fileName;
    std::string_view rootKey; // the root key's name, for registry entries
    std::string_view section; // the ini section, for ini entries
    std::string_view keyPath;
    std::string_view valueName;
    std::string_view valueData;
    bool active = false;
    bool known = false;
    int32_t crc32 = 0;       // as the record keeps it
    std::string_view sha256; // lower-case hex; empty where there is no file
    std::string_view approved;
    // Who signed the entry's file, printed only by a writer told to
    // (--verify): the publisher where the signature holds, and the
    // verdict's word.
    std::string_view signer;
    std::string_view signature;
};

// The row of an entry. groupName is the group's name (empty for a group
// number outside the groups).
ScanRow MakeScanRow(const AutostartEntry& e, std::string_view groupName, bool known,
                    std::string_view sha256Hex, Approval approved);

// Which fields a row has: qv6scan's own, or the seven columns of osquery's
// startup_items table, so that a fleet that collects those joins both.
enum class ColumnSet : uint8_t { Qv6, Osquery };

// What the osquery columns need beyond the row: whose entries
// HKEY_CURRENT_USER and the profile folder hold (ANSI; the profile without
// a trailing backslash).
struct OsqueryContext {
    std::string_view userName;
    std::string_view userProfile;
};

// A row in osquery's columns (ANSI): name, path and args split from the
// command, type, source (the key or folder it lives in), status (enabled or
// disabled) and username (empty for entries of the whole machine).
struct OsqueryColumns {
    std::string name, path, args, type, source, status, username;
};
OsqueryColumns OsqueryColumnsOf(const ScanRow& row, const OsqueryContext& context);

// The names of the fields, in the order they are printed: the CSV header and
// the JSON keys. With signatures, signer and signature follow the others.
std::vector<std::string_view> ScanFieldNames(ColumnSet columns = ColumnSet::Qv6,
                                             bool signatures = false);

class Utf8Converter;
// Every own field of the row as printed in JSON, without quotes or escapes:
// texts as UTF-8, numbers in decimal, true or false.
void ForEachFieldText(const ScanRow& row, const Utf8Converter& utf8,
                      const std::function<void(std::string_view name, std::string_view utf8)>& f);

// ANSI to UTF-8, appended to out.
class Utf8Converter {
  public:
    virtual ~Utf8Converter() = default;
    virtual void Append(std::string& out, std::string_view ansi) const = 0;
};

// The converter of a single-byte code page, from the Unicode code point of
// each of its 256 bytes (0 where the page has no character: such a byte
// becomes U+FFFD). ASCII goes through unchanged.
class SingleByteUtf8 final : public Utf8Converter {
  public:
    explicit SingleByteUtf8(const std::array<char32_t, 256>& codePoints);
    void Append(std::string& out, std::string_view ansi) const override;

  private:
    std::array<std::array<char, 4>, 256> bytes_{};
    std::array<uint8_t, 256> length_{};
};

// A code point as UTF-8; surrogates and values beyond U+10FFFF as U+FFFD.
void AppendUtf8(std::string& out, char32_t cp);

// RFC 4180: a field with a comma, a double quote, CR or LF is enclosed in
// double quotes, with every double quote doubled; any other field as it is.
void AppendCsvField(std::string& out, std::string_view utf8);
// A JSON string literal: quotes, backslash and every control character
// escaped; everything else, UTF-8 included, as it is.
void AppendJsonString(std::string& out, std::string_view utf8);

// Jsonl: one JSON object per line, no array around them (JSON Lines), so a
// reader can take the rows one by one.
enum class OutputFormat : uint8_t { Csv, Json, Jsonl };

// Formats rows into out; the caller empties out whenever it likes (between
// calls), so the output can stream. CSV lines end with CR LF as RFC 4180
// has them; the JSON text puts each object on a line of its own, ended by LF.
class ScanWriter {
  public:
    // signatures: the rows carry signer and signature and print them.
    ScanWriter(OutputFormat format, const Utf8Converter& utf8, std::string& out,
               ColumnSet columns = ColumnSet::Qv6, OsqueryContext context = {},
               bool signatures = false)
        : format_(format), columns_(columns), context_(context), signatures_(signatures),
          utf8_(utf8), out_(out) {}
    void Begin(); // the CSV header, or the opening bracket (nothing for JSON lines)
    void Row(const ScanRow& row);
    void End(); // the closing bracket (nothing for CSV and JSON lines)

  private:
    void Text(std::string_view name, std::string_view ansi);
    // plain: the UTF-8 text holds nothing either format quotes or escapes.
    void Put(std::string_view name, std::string_view utf8, bool plain);
    void Number(std::string_view name, int64_t value);
    void Bool(std::string_view name, bool value);
    void Key(std::string_view name);
    bool Json() const { return format_ != OutputFormat::Csv; }

    OutputFormat format_;
    ColumnSet columns_;
    OsqueryContext context_;
    bool signatures_;
    const Utf8Converter& utf8_;
    std::string& out_;
    std::string scratch_;
    bool firstRow_ = true;
    bool firstField_ = true;
};

} // namespace qv
