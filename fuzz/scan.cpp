// A libFuzzer target over qv6scan's plain parts: any record bytes become rows
// whose JSON and CSV are well formed (with the signature fields too), name a
// file to verify that is a piece of the record, any command line parses or is refused
// with one line, any switch value decodes. Builds natively; see
// scripts/fuzz.sh.
#include "autostart/AutostartEntry.h"
#include "autostart/StartupApproved.h"
#include "scan/ScanOptions.h"
#include "scan/ScanOutput.h"
#include "signature/EntryFile.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

using namespace qv;

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

// UTF-8 without overlong forms, surrogates or values past U+10FFFF.
bool ValidUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        size_t n = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
        if (n == 0 || b > 0xF4 || i + n > s.size()) return false;
        uint32_t cp = n == 1 ? b : b & (0x3F >> (n - 1));
        for (size_t k = 1; k < n; ++k) {
            const auto c = static_cast<unsigned char>(s[i + k]);
            if ((c & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        static const uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += n;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);

    // cp1252's table as the prefix has it, with its five holes.
    std::array<char32_t, 256> points{};
    for (size_t b = 0; b < 256; ++b)
        points[b] = static_cast<char32_t>(b);
    static constexpr char32_t k80[32] = {
        0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    for (size_t b = 0; b < 32; ++b)
        points[0x80 + b] = k80[b];
    const SingleByteUtf8 utf8(points);

    // Records: one whole record from the input, padded; the rest as texts.
    std::string bytes(in.substr(0, kRecordSize));
    bytes.resize(kRecordSize, '\0');
    AutostartEntry e = DecodeRecords(bytes).front();
    ScanTexts texts = ScanTextsFrom(nullptr);
    const std::string sha(in.substr(0, 64));
    ScanRow row = MakeScanRow(e, texts.GroupName(e.Group), size % 2 == 0, sha,
                              DecodeStartupApproved(kRegBinary, in));

    // The file whose signature speaks for the entry is cut from the record's
    // own texts, never made up.
    const EntryFile file = EntryFileOf(e);
    Check(file.path.empty() || e.ValueData.view().find(file.path) != std::string_view::npos ||
          e.FileName.view() == file.path || e.Detail.view() == file.path);
    row.signer = e.Caption.view();
    row.signature = VerdictWord(static_cast<SignatureState>(size % 6));

    std::string json, csv;
    ScanWriter j(OutputFormat::Json, utf8, json, ColumnSet::Qv6, {}, size % 3 == 0);
    j.Begin();
    j.Row(row);
    j.End();
    Check(ValidUtf8(json));
    // Inside the JSON text no raw control character but the line ends
    // between objects.
    for (char c : json)
        Check(static_cast<unsigned char>(c) >= 0x20 || c == '\n');
    ScanWriter c(OutputFormat::Csv, utf8, csv);
    c.Begin();
    c.Row(row);
    c.End();
    Check(ValidUtf8(csv));
    // Quotes pair up: every field is closed, and the two records end with
    // CR LF outside quotes.
    size_t lineEnds = 0;
    bool quoted = false;
    for (size_t i = 0; i < csv.size(); ++i) {
        if (csv[i] == '"') quoted = !quoted;
        if (!quoted && csv[i] == '\n') {
            Check(i > 0 && csv[i - 1] == '\r');
            ++lineEnds;
        }
    }
    Check(!quoted && lineEnds == 2);

    // Any command line: parsed, or refused with one line that names the
    // program.
    std::vector<std::string> args;
    for (size_t at = 0; at <= in.size();) {
        size_t sp = in.find(' ', at);
        if (sp == std::string_view::npos) sp = in.size();
        args.emplace_back(in.substr(at, sp - at));
        at = sp + 1;
    }
    ParsedOptions p = ParseScanOptions(args);
    Check(p.error.find_first_of("\r\n") == std::string::npos);
    Check(p.error.empty() || p.error.rfind("qv6scan: ", 0) == 0);
    return 0;
}
