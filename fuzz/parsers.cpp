// A libFuzzer target over the pure parsers and codecs: the language file and
// its "%s" formatting, the record files, the kept-files index lines and the
// surveillance list file. It
// builds natively (no Windows headers), with the address and undefined
// behaviour sanitizers; see scripts/fuzz.sh.
#include "base/LanguageFile.h"
#include "autostart/AutostartEntry.h"
#include "autostart/InactiveRules.h"
#include "base/Text.h"
#include "process/Surveillance.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

using namespace qv;

namespace {
void Check(bool ok) {
    if (!ok) std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);

    // Language file: any bytes load; every line stays free of line ends and
    // NULs; formatting never reads past its arguments.
    LanguageFile table;
    table.LoadFromBytes(in);
    for (size_t i = 0; i < table.Count(); ++i) {
        const std::string& line = table[static_cast<int>(i)];
        Check(line.find_first_of(std::string("\r\n\0", 3)) == std::string::npos);
    }
    std::string formatted = FormatPercentS(in, {"a", "bb"});
    (void)formatted;
    (void)table[171];

    // Record files: whole records only, and they encode back to the same bytes.
    auto records = DecodeRecords(in);
    Check(records.size() == size / kRecordSize);
    Check(EncodeRecords(records) == in.substr(0, records.size() * kRecordSize));
    for (const auto& r : records) {
        Check(SameAutostartPoint(r, r, true));
        AutostartEntry copy = r;
        copy.ValueName.assign(r.ValueName.view()); // zero the bytes behind the text
        Check(SameAutostartPoint(r, copy, true));
        Check(IdentityHash(r) == IdentityHash(copy));
    }

    // Kept-files index: any line parses; a line we write reads back.
    for (const std::string& line : SplitLines(in)) {
        IsfLine parsed = ParseIsfLine(line);
        (void)IsStoredName(parsed.stored);
        (void)ParseAttributeText(parsed.attributes);
    }
    std::string path(in.substr(0, std::min<size_t>(in.size(), 200)));
    if (path.find_first_of(std::string("\"\r\n\0", 4)) == std::string::npos &&
        path.find('|') == std::string::npos && !path.empty() && path.front() != ' ') {
        IsfLine back = ParseIsfLine(FormatIsfLine("file42", path, 32));
        Check(back.stored == "file42" && back.former == path && back.attributes == "32");
    }

    // Surveillance list: entries hold no line end or NUL, what is written
    // reads back the same, and the list box order is a permutation.
    std::vector<std::string> lines = DecodeSurveillanceFile(in);
    for (const std::string& line : lines)
        Check(line.find_first_of(std::string("\r\n\0", 3)) == std::string::npos);
    Check(DecodeSurveillanceFile(EncodeSurveillanceFile(lines)) == lines);
    SurveillanceList list;
    list.Assign(lines);
    Check(list.Count() == lines.size());
    for (size_t i = 1; i < list.Count(); ++i)
        Check(UpperAscii(list[i - 1]) <= UpperAscii(list[i]));
    list.TickAll(true);
    Check(list.RemoveTicked() == !lines.empty() && list.Count() == 0);
    return 0;
}
