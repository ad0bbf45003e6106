// A libFuzzer target over the pure parsers and codecs: the language file and
// its "%s" formatting, the record files, the kept-files index lines, the
// surveillance list file, the HTTP client's URL, status and header rules,
// the update answer, the signed file list, the signature and key encodings,
// the task definition reader and the command line resolution. It
// builds natively (no Windows headers), with the address and undefined
// behaviour sanitizers; see scripts/fuzz.sh.
#include "base/LanguageFile.h"
#include "autostart/AutostartEntry.h"
#include "autostart/InactiveRules.h"
#include "autostart/StickyRules.h"
#include "autostart/ProgramPath.h"
#include "autostart/TaskXml.h"
#include "base/Crypto.h"
#include "base/Text.h"
#include "process/Surveillance.h"
#include "update/FileList.h"
#include "update/HttpProtocol.h"
#include "update/UpdateAnswer.h"

#include <algorithm>
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
        const std::string& line = table[LineAt(static_cast<int>(i))];
        Check(line.find_first_of(std::string("\r\n\0", 3)) == std::string::npos);
    }
    std::string formatted = FormatPercentS(in, {"a", "bb"});
    (void)formatted;
    (void)table[Lng::Last];

    // Sticky lists: what is read writes out as a list that reads back alike.
    if (auto sticky = ParseStickyList(in)) {
        auto again = ParseStickyList(FormatStickyList(*sticky));
        Check(again && *again == *sticky);
    }

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
    // URLs: either refused with an error or taken apart into a path that
    // begins with "/" and fits the request line.
    try {
        UrlParts url = ParseUrl(in, "previous", 0);
        Check(!url.path.empty() && url.path.front() == '/' && url.path.size() <= kMaxRequestPath);
        Check(url.port != 0);
        std::string head = RequestHead(url.path, url.host);
        // Five lines, and no line end or NUL of the URL's own inside them.
        Check(std::count(head.begin(), head.end(), '\n') == 5);
        Check(std::count(head.begin(), head.end(), '\r') == 5);
        Check(head.find('\0') == std::string::npos);
    } catch (const AppError&) {
    }
    (void)RedirectUrl(in, "h", 8080);

    // Response lines: fed as received; the head never grows past its cap, a
    // redirect target never holds a line end.
    ResponseHead head;
    try {
        for (std::string_view rest = in; !rest.empty() && !head.Complete();) {
            size_t n = LineLength(rest);
            std::string_view line = rest.substr(0, n == std::string_view::npos ? rest.size() : n);
            rest.remove_prefix(line.size());
            head.Add(n == std::string_view::npos ? std::string_view() : line);
        }
        Check(head.Text().size() <= kMaxResponseHead);
    } catch (const ESockError&) {
    }
    Check(head.Location().size() <= kMaxRedirectTarget);
    Check(head.Location().find_first_of("\r\n") == std::string::npos);
    (void)StatusCodeOf(in);
    (void)SocketErrorText(static_cast<int>(size));

    // The update answer: a number or the one error, whole or in pieces alike.
    int32_t whole = 0;
    bool wholeOk = true;
    try {
        whole = ParseUpdateAnswer(in);
    } catch (const AppError&) {
        wholeOk = false;
    }
    UpdateAnswerReader pieces;
    for (size_t at = 0; at < size && !pieces.Feed(in.substr(at, 3)); at += 3) {
    }
    try {
        int32_t inPieces = pieces.Value();
        Check(wholeOk && inPieces == whole);
    } catch (const AppError&) {
        Check(!wholeOk);
    }
    (void)DecideUpdate(whole);

    // The file list: refused whole, or every name safe and the list written
    // back reads the same.
    FileList files = ParseFileList(in);
    if (files.ok) {
        for (const FileListEntry& e : files.entries) {
            Check(IsSafeRelativeName(e.name));
            Check(LocalName(e.name).find("..") == std::string::npos);
            Check(e.name.find(':') == std::string::npos);
        }
        Check(ParseVersion(files.versionText) == files.version);
        Check(ParseUtcTime(files.expiresText) == files.expires);
        FileList back =
            ParseFileList(FormatFileList(files.versionText, files.expiresText, files.entries));
        Check(back.ok && back.entries.size() == files.entries.size() &&
              back.version == files.version && back.expires == files.expires);
    } else {
        Check(files.entries.empty() && !files.error.empty());
    }

    // Signature and key encodings.
    (void)ParseEcdsaSignature(in);
    (void)ParseEcPublicKey(in);
    if (auto digest = ParseSha256Hex(in)) Check(ParseSha256Hex(ToHex(*digest)) == digest);

    // Task definitions: any bytes read or are refused, within the limits;
    // the text of any bytes is UTF-8 that reads back as itself.
    if (auto def = ParseTaskXml(in)) {
        Check(def->execs.size() <= kMaxTaskItems && def->triggers.size() <= kMaxTaskItems);
        for (const TaskExec& e : def->execs)
            Check(e.command.size() <= kMaxTaskFieldBytes &&
                  e.arguments.size() <= kMaxTaskFieldBytes);
    }
    if (auto text = TaskXmlText(in)) {
        if (text->size() < 2 || ((*text)[1] != 0 && !text->starts_with("\xEF\xBB\xBF")))
            Check(TaskXmlText(*text) == text);
    }
    // Command lines: any text resolves with a bounded number of look-ups.
    size_t lookups = 0;
    PathContext ctx{"C:\\windows\\", "C:\\windows\\system32\\", {}, [&](const std::string& p) {
                        return ++lookups, p.size() % 7 == 0;
                    }};
    (void)ResolveCommandLineFile(in, ctx);
    (void)ResolveProgramFile(in, ctx);
    Check(lookups <= 2 * 64 + 6);
    return 0;
}
