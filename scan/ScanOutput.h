#pragma once
// What qv6scan prints: one row per autostart entry, as CSV (RFC 4180, with a
// header row) or as one JSON array of objects, always in UTF-8. The data
// model's texts are ANSI; they become UTF-8 in one place, the converter the
// writer is given. Pure code.
#include "autostart/AutostartEntry.h"
#include "autostart/StartupApproved.h"
#include "base/LanguageFile.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// The texts of the language file the listing needs: the nine group names
// (lines 0 to 8) and the caption of a stray c:\explorer.exe (line 9). A line
// the file lacks, or every line when there is no file, is the built-in
// German text.
struct ScanTexts {
    std::array<std::string, kGroupCount> groupNames;
    std::string explorerCaption;
    // The group's name; empty for a number outside 0..8.
    std::string_view GroupName(int group) const;
};
ScanTexts ScanTextsFrom(const LanguageFile* language);

// One entry as printed: views into the entry and the caller's texts, valid
// while they are. Every text is ANSI, like the record's (the names and
// tokens that are plain ASCII as well).
struct ScanRow {
    int group = 0;
    std::string_view groupName;
    std::string_view kind; // "registry", "ini", "file", or the record's number
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
};

// The row of an entry. groupName is the group's name (empty for a group
// number outside 0..8).
ScanRow MakeScanRow(const AutostartEntry& e, std::string_view groupName, bool known,
                    std::string_view sha256Hex, Approval approved);

// The names of the fields, in the order they are printed: the CSV header and
// the JSON keys.
std::vector<std::string_view> ScanFieldNames();

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

enum class OutputFormat : uint8_t { Csv, Json };

// Formats rows into out; the caller empties out whenever it likes (between
// calls), so the output can stream. CSV lines end with CR LF as RFC 4180
// has them; the JSON text puts each object on a line of its own, ended by LF.
class ScanWriter {
  public:
    ScanWriter(OutputFormat format, const Utf8Converter& utf8, std::string& out)
        : format_(format), utf8_(utf8), out_(out) {}
    void Begin(); // the CSV header, or the opening bracket
    void Row(const ScanRow& row);
    void End(); // the closing bracket (nothing for CSV)

  private:
    void Text(std::string_view name, std::string_view ansi);
    // plain: the UTF-8 text holds nothing either format quotes or escapes.
    void Put(std::string_view name, std::string_view utf8, bool plain);
    void Number(std::string_view name, int64_t value);
    void Bool(std::string_view name, bool value);
    void Key(std::string_view name);

    OutputFormat format_;
    const Utf8Converter& utf8_;
    std::string& out_;
    std::string scratch_;
    bool firstRow_ = true;
    bool firstField_ = true;
};

} // namespace qv
