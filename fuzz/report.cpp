// A libFuzzer target over the report writer, the system information rows
// and the server settings: any entries, boot file bytes and figures give a
// document whose values are all escaped, whose boot file lines are the same
// lines the shared line splitter finds, and rows of the described shape.
// Builds natively; see scripts/fuzz.sh.
#include "about/ServerSettings.h"
#include "autostart/AutostartEntry.h"
#include "base/Errors.h"
#include "base/Text.h"
#include "report/ReportWriter.h"
#include "sysinfo/SystemInfo.h"

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

// Only the five references may follow an ampersand, and none of the five
// special characters may stand in the text itself.
bool FullyEscaped(std::string_view s) {
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == '<' || c == '>' || c == '"' || c == '\'') return false;
        if (c != '&') continue;
        std::string_view rest = s.substr(i);
        bool known = false;
        for (std::string_view ref : {"&amp;", "&lt;", "&gt;", "&quot;", "&#39;"})
            known = known || rest.substr(0, ref.size()) == ref;
        if (!known) return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);

    const std::string escaped = HtmlEscape(in);
    Check(FullyEscaped(escaped));

    // A boot file's cell holds exactly its lines, escaped, each with <br>.
    AutostartEntry boot = ZeroEntry();
    boot.Kind = KindFile;
    boot.Group = 7;
    boot.FileName.assign("c:\\autoexec.bat");
    ReportTexts texts;
    texts.emptyFile = "(leer)";
    const std::string doc = BuildReportHtml({boot}, texts, "now", [&](const std::string&) {
        return std::optional<std::string>(std::string(in));
    });
    std::string cell;
    for (const std::string& line : SplitLines(in))
        cell += HtmlEscape(line) + "<br>";
    if (cell.empty()) cell = "(leer)";
    Check(doc.find("<tr><td valign=\"top\" nowrap>c:\\autoexec.bat</td><td nowrap>" + cell +
                   "</td></tr>\r\n") != std::string::npos);

    // Records from the input, with the input as their boot files and as the
    // language texts: the document and the readable view are built, and a
    // reader that fails stops both with the described error.
    auto records = DecodeRecords(in);
    std::string text(in.substr(0, std::min<size_t>(in.size(), 300)));
    for (auto& name : texts.groupNames)
        name = text;
    texts.contents = text;
    auto reader = [&](const std::string&) { return std::optional<std::string>(text); };
    (void)BuildReportHtml(records, texts, text, reader);
    (void)ReportViewText(BuildReportView(records, texts, text, reader));
    bool hasBoot = false;
    for (const auto& r : records)
        hasBoot = hasBoot || r.Group == 7;
    bool threw = false;
    try {
        (void)BuildReportHtml(records, texts, text,
                              [](const std::string&) { return std::optional<std::string>(); });
    } catch (const AppError&) {
        threw = true;
    }
    Check(threw == hasBoot);

    // System information rows from any figures.
    if (size >= 48) {
        SystemFigures f;
        std::memcpy(&f.memory.loadPercent, data, 4);
        std::memcpy(&f.memory.totalPhysical, data + 4, 8);
        std::memcpy(&f.memory.availablePhysical, data + 12, 8);
        std::memcpy(&f.memory.totalVirtual, data + 20, 8);
        std::memcpy(&f.memory.availableVirtual, data + 28, 8);
        f.version.platformId = data[36] % 4;
        f.version.major = data[37] % 12;
        f.version.minor = data[38];
        std::memcpy(&f.version.build, data + 39, 4);
        f.version.productType = data[43] % 4;
        f.hasVersionValue = data[44] & 1;
        f.version.service = std::string(in.substr(45, 128));
        f.versionNumber = std::string(in.substr(45, 20));
        auto rows = BuildSysInfoRows(f, {"a", "b", "c", "d"});
        Check(rows.size() >= 9 && rows.size() <= 11);
        Check(rows[0].value && rows[0].value->ends_with(" %"));
    }

    ServerSettings s = ResolveServerSettings(text, text, text);
    Check(!s.host.empty() && !s.mail.empty() && !s.bugMail.empty());
    return 0;
}
