// qv6scan's plain parts: the row of an entry, CSV quoting, JSON escaping,
// the code page table, the command line and the exit codes.
#include "JsonReader.h"

#include "scan/EarlierListing.h"
#include "scan/ScanJob.h"
#include "scan/ScanOptions.h"
#include "scan/ScanOutput.h"
#include "support/Entries.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

std::string Csv(std::string_view s) {
    std::string out;
    AppendCsvField(out, s);
    return out;
}

std::string Json(std::string_view s) {
    std::string out;
    AppendJsonString(out, s);
    return out;
}

// Latin-1 as a single-byte page, with 0x80 as the euro sign and 0x81 left
// out, as cp1252 has them.
SingleByteUtf8 TestPage() {
    std::array<char32_t, 256> points{};
    for (size_t b = 0; b < 256; ++b)
        points[b] = static_cast<char32_t>(b);
    points[0x80] = 0x20AC;
    points[0x81] = 0;
    return SingleByteUtf8(points);
}

TEST(ScanOutput, CsvQuotesOnlyWhatRfc4180Requires) {
    EXPECT_EQ(Csv("plain text; with semicolon"), "plain text; with semicolon");
    EXPECT_EQ(Csv(""), "");
    EXPECT_EQ(Csv("a,b"), "\"a,b\"");
    EXPECT_EQ(Csv("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(Csv("two\r\nlines"), "\"two\r\nlines\"");
    EXPECT_EQ(Csv("lf\nonly"), "\"lf\nonly\"");
    EXPECT_EQ(Csv("cr\ronly"), "\"cr\ronly\"");
}

TEST(ScanOutput, CsvCellsThatASpreadsheetWouldRunStartWithAnApostrophe) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"=cmd|' /C calc'!A0", "'=cmd|' /C calc'!A0"},
        {"+1+1", "'+1+1"},
        {"-2+3", "'-2+3"},
        {"@SUM(A1)", "'@SUM(A1)"},
        {"\tx", "'\tx"},
        {"\r=x", "\"'\r=x\""}, // quoted for the CR, the apostrophe inside
        {"=a,b", "\"'=a,b\""},
        {"a=b", "a=b"},
        {"'", "'"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Csv(c.in), c.out) << c.in;
    EXPECT_EQ(Json("=1+1"), "\"=1+1\""); // JSON stays exact
}

TEST(ScanOutput, JsonEscapesQuotesBackslashesAndEveryControlCharacter) {
    EXPECT_EQ(Json("C:\\Program Files\\\"x\".exe"), "\"C:\\\\Program Files\\\\\\\"x\\\".exe\"");
    EXPECT_EQ(Json("a\tb\nc\rd"), "\"a\\tb\\nc\\rd\"");
    EXPECT_EQ(Json(std::string("\0\x01\x1f\x7f", 4)), "\"\\u0000\\u0001\\u001f\x7f\"");
    EXPECT_EQ(Json("\xC3\xA4"), "\"\xC3\xA4\""); // UTF-8 stays as it is
    // Every escaped text reads back as the text itself.
    std::string all;
    for (int c = 1; c < 128; ++c)
        all.push_back(static_cast<char>(c));
    auto parsed = test::ParseJson(Json(all));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->text, all);
}

TEST(ScanOutput, SingleBytePageBecomesUtf8) {
    const SingleByteUtf8 page = TestPage();
    std::string out;
    page.Append(out, "Gr\xFC\xDF "
                     "\x80 \x81 ascii");
    EXPECT_EQ(out, "Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC \xEF\xBF\xBD ascii");
    std::string cut;
    AppendUtf8(cut, 0xD800);
    AppendUtf8(cut, 0x10FFFF);
    AppendUtf8(cut, 0x110000);
    EXPECT_EQ(cut, "\xEF\xBF\xBD\xF4\x8F\xBF\xBF\xEF\xBF\xBD");
}

TEST(ScanOutput, TheSystemPageOfThePrefixIsCp1252) {
    auto utf8 = SystemUtf8Converter();
    std::string out;
    utf8->Append(out, "\xC4rger \x80 \x9F");
    EXPECT_EQ(out, "\xC3\x84rger \xE2\x82\xAC \xC5\xB8");
}

TEST(ScanOutput, RowsKeepTheRecordsFieldsAndSplitRootKeyBySourceKind) {
    AutostartEntry reg =
        test::RegEntry(kRootLocalMachine, "Software\\X\\Run", "n", "d.exe", "cap", "det", 0, 0);
    ScanRow r = MakeScanRow(reg, "Gruppe", true, "", Approval::Disabled);
    EXPECT_EQ(r.kind, "registry");
    EXPECT_EQ(r.rootKey, "HKEY_LOCAL_MACHINE");
    EXPECT_EQ(r.section, "");
    EXPECT_EQ(r.approved, "disabled");
    EXPECT_TRUE(r.active);
    EXPECT_TRUE(r.known);

    AutostartEntry ini = test::IniEntry("C:\\windows\\win.ini", "windows", "load", "x.exe");
    r = MakeScanRow(ini, "", false, "", Approval::None);
    EXPECT_EQ(r.kind, "ini");
    EXPECT_EQ(r.rootKey, "");
    EXPECT_EQ(r.section, "windows");
    EXPECT_EQ(r.approved, "");

    // A damaged record from a file: whatever it holds is printed, nothing
    // is taken for a number that is none.
    AutostartEntry odd = test::FileEntry("C:\\f.txt", 5);
    odd.Kind = 9;
    odd.Active = 0;
    odd.Checksum = -873187034;
    odd.RootKey.assign("no number");
    r = MakeScanRow(odd, "", false, "ab", Approval::None);
    EXPECT_EQ(r.kind, "9");
    EXPECT_EQ(r.rootKey, "");
    EXPECT_EQ(r.crc32, -873187034);
    EXPECT_FALSE(r.active);
    EXPECT_EQ(r.sha256, "ab");
}

TEST(ScanOutput, CsvAndJsonCarryTheSameFieldsInTheSameOrder) {
    const SingleByteUtf8 page = TestPage();
    AutostartEntry e = test::RegEntry(kRootCurrentUser, "Software\\Run", "\xC4, \"x\"", "a\r\nb",
                                      "\xC4, \"x\"", "a\r\nb", 0, 0);
    ScanRow row = MakeScanRow(e, "Registry: Run-Schl\xFCssel", false, "", Approval::Enabled);

    std::string csv;
    ScanWriter c(OutputFormat::Csv, page, csv);
    c.Begin();
    c.Row(row);
    c.End();
    EXPECT_EQ(csv,
              "group,group_name,category,kind,caption,detail,file_name,root_key,section,key_path,"
              "value_name,value_data,active,known,crc32,sha256,approved\r\n"
              "0,Registry: Run-Schl\xC3\xBCssel,run keys,registry,\"\xC3\x84, \"\"x\"\"\",\"a\r\nb\",,"
              "HKEY_CURRENT_USER,,Software\\Run,\"\xC3\x84, \"\"x\"\"\",\"a\r\nb\",true,false,0,,"
              "enabled\r\n");

    std::string json;
    ScanWriter j(OutputFormat::Json, page, json);
    j.Begin();
    j.Row(row);
    j.Row(row);
    j.End();
    auto parsed = test::ParseJson(json);
    ASSERT_TRUE(parsed) << json;
    ASSERT_EQ(parsed->items.size(), 2u);
    std::vector<std::string> keys;
    for (const auto& [k, v] : parsed->items[0].members)
        keys.push_back(k);
    std::vector<std::string> names;
    for (std::string_view n : ScanFieldNames())
        names.emplace_back(n);
    EXPECT_EQ(keys, names);
    // The writer puts the names out as they are: plain words only.
    for (const std::string& n : names)
        EXPECT_EQ(n.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_"), std::string::npos)
            << n;
    const test::JsonValue& o = parsed->items[0];
    EXPECT_EQ(o.At("caption").text, "\xC3\x84, \"x\"");
    EXPECT_EQ(o.At("value_data").text, "a\r\nb");
    EXPECT_EQ(o.At("group").type, test::JsonValue::Number);
    EXPECT_EQ(o.At("active").type, test::JsonValue::True);
    EXPECT_EQ(o.At("known").type, test::JsonValue::False);

    std::string empty;
    ScanWriter none(OutputFormat::Json, page, empty);
    none.Begin();
    none.End();
    auto nothing = test::ParseJson(empty);
    ASSERT_TRUE(nothing);
    EXPECT_EQ(nothing->type, test::JsonValue::Array);
    EXPECT_TRUE(nothing->items.empty());
}

// Rows of every kind, written with the writer of the format.
std::string Written(OutputFormat format, const std::vector<ScanRow>& rows,
                    ColumnSet columns = ColumnSet::Qv6, OsqueryContext context = {}) {
    static const SingleByteUtf8 page = TestPage();
    std::string out;
    ScanWriter w(format, page, out, columns, context);
    w.Begin();
    for (const ScanRow& r : rows)
        w.Row(r);
    w.End();
    return out;
}

struct SampleRows {
    AutostartEntry reg = test::RegEntry(kRootCurrentUser, "Software\\Run", "\xC4, \"x\"", "a\r\nb",
                                        "\xC4, \"x\"", "a\r\nb", 0, 0);
    AutostartEntry file =
        test::FileEntry("C:\\Users\\me\\Start\\t.lnk", "t.lnk", "C:\\t.exe", 5, 0, 0);
    std::vector<ScanRow> rows = {MakeScanRow(reg, "G", false, "", Approval::Enabled),
                                 MakeScanRow(file, "F", true, "ab", Approval::None)};
};

TEST(ScanOutput, OsqueryColumnsSplitTheCommandAndNameItsSource) {
    EXPECT_EQ(ScanFieldNames(ColumnSet::Osquery),
              (std::vector<std::string_view>{"name", "path", "args", "type", "source", "status",
                                             "username"}));
    const OsqueryContext me{"me", "C:\\Users\\me"};
    auto reg = [](const char* root, const char* name, const char* data) {
        return test::RegEntry(root, "Software\\Run", name, data, name, data, 0, 0);
    };
    AutostartEntry off =
        test::FileEntry("C:\\Users\\me\\Start\\t.lnk", "t.lnk", "C:\\t.exe", 5, 0, 0);
    off.Active = 0;
    // name|path|args|source|status|username; the type is always the same.
    const struct {
        AutostartEntry entry;
        Approval approval;
        const char* want;
    } cases[] = {
        {reg(kRootCurrentUser, "q", "\"C:\\Program Files\\q.exe\" /a  /b "), Approval::None,
         "q|C:\\Program Files\\q.exe|/a  /b|HKEY_CURRENT_USER\\Software\\Run|enabled|me"},
        {reg(kRootLocalMachine, "u", "C:\\Program Files\\u.EXE -x"), Approval::Disabled,
         "u|C:\\Program Files\\u.EXE|-x|HKEY_LOCAL_MACHINE\\Software\\Run|disabled|"},
        {reg(kRootLocalMachine, "p", "plain arg"), Approval::None,
         "p|plain|arg|HKEY_LOCAL_MACHINE\\Software\\Run|enabled|"},
        {reg(kRootLocalMachine, "o", "\"open"), Approval::None,
         "o|open||HKEY_LOCAL_MACHINE\\Software\\Run|enabled|"},
        {test::IniEntry("C:\\windows\\win.ini", "windows", "load", "x.exe y"), Approval::None,
         "load|x.exe|y|C:\\windows\\win.ini [windows]|enabled|"},
        {off, Approval::Enabled,
         "t.lnk|C:\\Users\\me\\Start\\t.lnk||C:\\Users\\me\\Start|disabled|me"},
    };
    for (const auto& c : cases) {
        const OsqueryColumns o =
            OsqueryColumnsOf(MakeScanRow(c.entry, "", false, "", c.approval), me);
        EXPECT_EQ(o.type, "Startup Item");
        EXPECT_EQ(o.name + "|" + o.path + "|" + o.args + "|" + o.source + "|" + o.status + "|" +
                      o.username,
                  c.want);
    }
}

TEST(EarlierListing, HoldsWhatItsJsonSaidInEitherFormAndRefusesTheRest) {
    SampleRows s;
    static const SingleByteUtf8 page = TestPage();
    std::string utf16 = "\xFF\xFE"; // as PowerShell's redirection writes it
    for (char c : Written(OutputFormat::Jsonl, {s.rows[1]}))
        utf16 += std::string{c, '\0'};
    for (const std::string& text :
         {Written(OutputFormat::Json, s.rows), Written(OutputFormat::Jsonl, s.rows),
          "\xEF\xBB\xBF" + Written(OutputFormat::Json, s.rows)}) {
        EarlierListing earlier;
        std::string error;
        ASSERT_TRUE(earlier.Read(text, error)) << error << text;
        EXPECT_EQ(earlier.size(), 2u);
        for (const ScanRow& r : s.rows)
            EXPECT_TRUE(earlier.Holds(r, page));
        // Each compared field makes an entry new when it changes; the rest do not.
        auto holdsWith = [&](auto change) {
            ScanRow r = s.rows[1];
            change(r);
            return earlier.Holds(r, page);
        };
        EXPECT_FALSE(holdsWith([](ScanRow& r) { r.sha256 = "ac"; }));
        EXPECT_FALSE(holdsWith([](ScanRow& r) { r.active = false; }));
        EXPECT_TRUE(holdsWith([](ScanRow& r) { r.known = false, r.caption = "other"; }));
    }
    EarlierListing earlier;
    std::string error;
    ASSERT_TRUE(earlier.Read(utf16, error)) << error;
    EXPECT_TRUE(earlier.Holds(s.rows[1], page));
    EXPECT_FALSE(earlier.Holds(s.rows[0], page));
    EXPECT_EQ(Written(OutputFormat::Jsonl, {}), ""); // no entries: JSON lines without a line
    EXPECT_TRUE(earlier.Read(" \r\n", error) && earlier.size() == 0);
    EXPECT_TRUE(earlier.Read("[]", error) && earlier.size() == 0);
    for (const std::string& bad :
         {std::string("[{}]"), Written(OutputFormat::Json, s.rows, ColumnSet::Osquery),
          Written(OutputFormat::Csv, s.rows), Written(OutputFormat::Json, s.rows) + "]",
          Written(OutputFormat::Json, s.rows).substr(0, 40),
          std::string("[{\"a\":") + std::string(5000, '['), std::string("\xFF\xFE{")}) {
        EXPECT_FALSE(earlier.Read(bad, error)) << bad;
        EXPECT_NE(error, "");
        EXPECT_EQ(error.find('\n'), std::string::npos);
        EXPECT_EQ(earlier.size(), 0u);
    }
}

TEST(ScanOutput, GroupNamesFromTheLanguageFileOrBuiltIn) {
    LanguageFile lng;
    lng.LoadFromBytes("Null\r\nEins\r\n\r\nDrei\r\n");
    ScanTexts t = ScanTextsFrom(&lng);
    EXPECT_EQ(t.GroupName(0), "Null");
    EXPECT_EQ(t.GroupName(1), "Eins");
    EXPECT_EQ(t.GroupName(2), "Active Setup: StubPath-Eintr\xE4ge"); // an empty line
    EXPECT_EQ(t.GroupName(8), "Explorer im Stammverzeichnis von C:");
    EXPECT_EQ(t.GroupName(9), "Geplante Aufgaben"); // beyond the file's lines
    EXPECT_EQ(t.GroupName(17), "Apps (Store)");
    EXPECT_EQ(t.GroupName(18), "");
    EXPECT_EQ(t.GroupName(-1), "");
    ScanTexts builtIn = ScanTextsFrom(nullptr);
    EXPECT_EQ(builtIn.GroupName(0), "Registry: Run-Schl\xFCssel");
    EXPECT_EQ(builtIn.explorerCaption, "C:\\EXPLORER.EXE (geh\xF6rt nicht ins Stammverzeichnis)");
}

TEST(ScanOptions, CommandLines) {
    auto parse = [](std::vector<std::string> args) { return ParseScanOptions(args); };
    ParsedOptions p = parse({});
    EXPECT_EQ(p.error, "");
    EXPECT_EQ(p.options.format, OutputFormat::Csv);
    EXPECT_FALSE(p.options.unknownOnly || p.options.help || p.options.database ||
                 p.options.inactive || p.options.verify || p.options.hideWindows);
    p = parse({"--hide-windows"});
    EXPECT_TRUE(p.options.hideWindows && !p.options.verify) << p.error;
    p = parse({"--verify", "--hide-windows"});
    EXPECT_TRUE(p.options.hideWindows && p.options.verify) << p.error;

    p = parse({"--format", "json", "--unknown", "--db", "C:\\a b\\asedb.dat", "--inactive=x.dat"});
    EXPECT_EQ(p.error, "");
    EXPECT_EQ(p.options.format, OutputFormat::Json);
    EXPECT_TRUE(p.options.unknownOnly);
    EXPECT_EQ(p.options.database, "C:\\a b\\asedb.dat");
    EXPECT_EQ(p.options.inactive, "x.dat");
    EXPECT_EQ(parse({"--format=csv"}).options.format, OutputFormat::Csv);
    p = parse({"--format=jsonl", "--columns", "osquery", "--since", "C:\\last.json"});
    EXPECT_EQ(p.error, "");
    EXPECT_EQ(p.options.format, OutputFormat::Jsonl);
    EXPECT_EQ(p.options.columns, ColumnSet::Osquery);
    EXPECT_EQ(p.options.since, "C:\\last.json");

    // Help wins over everything, also over mistakes.
    EXPECT_TRUE(parse({"--bogus", "--help"}).options.help);
    EXPECT_EQ(parse({"--bogus", "--help"}).error, "");
    EXPECT_TRUE(parse({"/?"}).options.help);

    for (const auto& bad : std::vector<std::vector<std::string>>{{"--format"},
                                                                 {"--format", "xml"},
                                                                 {"--columns", "all"},
                                                                 {"--since"},
                                                                 {"--format="},
                                                                 {"--db"},
                                                                 {"--db="},
                                                                 {"--unknown=1"},
                                                                 {"--verify=yes"},
                                                                 {"--bogus"},
                                                                 {"extra"},
                                                                 {"-x"},
                                                                 {"--line\r\nbreak"},
                                                                 {"two\nlines"},
                                                                 {"--format", "j\nson"}}) {
        ParsedOptions b = parse(bad);
        EXPECT_NE(b.error, "") << bad[0];
        EXPECT_EQ(b.error.rfind("qv6scan: ", 0), 0u) << b.error;
        EXPECT_EQ(b.error.find('\n'), std::string::npos);
    }
}

TEST(ScanOptions, ExitCodesAndHelp) {
    ScanOptions all, unknown;
    unknown.unknownOnly = true;
    EXPECT_EQ(ListingExitCode(all, 0), kExitListed);
    EXPECT_EQ(ListingExitCode(all, 5), kExitListed);
    EXPECT_EQ(ListingExitCode(unknown, 0), kExitListed);
    EXPECT_EQ(ListingExitCode(unknown, 1), kExitUnknownFound);
    ScanOptions since;
    since.since = "last.json";
    EXPECT_EQ(ListingExitCode(since, 0), kExitListed);
    EXPECT_EQ(ListingExitCode(since, 2), kExitUnknownFound);
    EXPECT_NE(kExitError, kExitListed);
    EXPECT_NE(kExitError, kExitUnknownFound);

    const std::string help = ScanHelpText();
    for (std::string_view option :
         {"--format", "jsonl", "--columns", "osquery", "--since", "--unknown", "--db", "--inactive",
          "--help", "aseinactive.dat", "Arbeitsverzeichnis"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
    for (std::string_view field : ScanFieldNames())
        EXPECT_NE(help.find(field), std::string::npos) << field;
    for (size_t i = 0; i < help.size(); ++i) {
        if (help[i] == '\n') {
            EXPECT_TRUE(i > 0 && help[i - 1] == '\r') << i;
        }
    }
}

} // namespace
} // namespace qv
