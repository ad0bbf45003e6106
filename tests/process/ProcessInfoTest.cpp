// The rows of the process information dialog: built from plain facts, and
// read from real files, prochelper.exe's version resource among them.
#include "model/AppModel.h"
#include "base/Files.h"
#include "base/Handles.h"
#include "process/ProcessInfo.h"
#include "ProcHelper.h"
#include "ScriptedProcessSource.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <winioctl.h>

#include <map>

namespace qv {
namespace {

using Rows = std::vector<InfoRow>;

// Every line reads as its number, so the rows show which line they took.
std::string Line(Lng n) {
    std::string text = std::to_string(LineNumber(n));
    return text.insert(0, 1, 'L');
}

class ScriptedVersion : public VersionSource {
  public:
    std::optional<uint32_t> translation;
    std::map<std::string, std::string> strings; // sub-block path -> text
    std::vector<std::string> asked;
    std::string name = "Deutsch (Deutschland)";
    std::vector<uint16_t> namesAsked;

    std::optional<uint32_t> FirstTranslation() override { return translation; }
    std::optional<std::string> QueryString(const std::string& subBlock) override {
        asked.push_back(subBlock);
        auto it = strings.find(subBlock);
        if (it == strings.end()) return std::nullopt;
        return it->second;
    }
    std::string LanguageName(uint16_t id) override {
        namesAsked.push_back(id);
        return name;
    }
};

TEST(ProcessInfo, VersionPrefixIsLanguageThenCodePageInUpperCaseHex) {
    EXPECT_EQ(VersionPrefix(0x04E40407), "\\StringFileInfo\\040704E4\\");
    EXPECT_EQ(VersionPrefix(0x04B00409), "\\StringFileInfo\\040904B0\\");
    EXPECT_EQ(VersionPrefix(0xABCD00EF), "\\StringFileInfo\\00EFABCD\\");
}

TEST(ProcessInfo, VersionStringsOfTheFirstTranslationInKeyOrder) {
    ScriptedVersion v;
    v.translation = 0x04E40407;
    const std::string p = "\\StringFileInfo\\040704E4\\";
    v.strings = {{p + "FileVersion", "1.0"},
                 {p + "CompanyName", "Firma"},
                 {p + "Comments", ""},
                 {"\\StringFileInfo\\040904B0\\ProductName", "x"}};
    auto facts = ReadVersionFacts(v);
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->translation, 0x04E40407u);
    EXPECT_EQ(facts->languageName, "Deutsch (Deutschland)");
    EXPECT_EQ(v.namesAsked, std::vector<uint16_t>{0x0407});
    using KV = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(facts->strings,
              (KV{{"CompanyName", "Firma"}, {"FileVersion", "1.0"}, {"Comments", ""}}));
    ASSERT_EQ(v.asked.size(), 12u);
    for (size_t i = 0; i < kVersionKeys.size(); ++i)
        EXPECT_EQ(v.asked[i], p + kVersionKeys[i]);

    // A long language name is cut to 50 characters.
    v.name = std::string(80, 'n');
    EXPECT_EQ(ReadVersionFacts(v)->languageName, std::string(50, 'n'));
}

TEST(ProcessInfo, WithoutTranslationTableTheUsEnglishTablesAreTried) {
    ScriptedVersion v;
    v.strings = {{"\\StringFileInfo\\040904E4\\ProductName", "Produkt"}};
    auto facts = ReadVersionFacts(v);
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->translation, 0x04E40409u);
    EXPECT_EQ(v.namesAsked, std::vector<uint16_t>{0x0409});
    ASSERT_EQ(facts->strings.size(), 1u);
    EXPECT_EQ(facts->strings[0].second, "Produkt");
    EXPECT_EQ(v.asked.front(), "\\StringFileInfo\\040904B0\\InternalName");

    v.strings["\\StringFileInfo\\040904B0\\Comments"] = "zuerst";
    EXPECT_EQ(ReadVersionFacts(v)->translation, 0x04B00409u);

    // No string table under either: shown as no version information.
    ScriptedVersion none;
    EXPECT_FALSE(ReadVersionFacts(none));
    EXPECT_EQ(none.asked.size(), 24u);
}

FileFacts SampleFacts() {
    FileFacts f;
    f.path = "C:\\TOOLS\\A.EXE";
    f.size = 1234;
    f.lastWrite = "01.02.2003 04:05:06";
    return f;
}

TEST(ProcessInfo, FileRowsInTheirOrder) {
    FileFacts f = SampleFacts();
    f.attributes = kAttrArchive | kAttrReadOnly;
    f.version =
        VersionFacts{0x04E40407, "Deutsch", {{"CompanyName", "Firma"}, {"FileVersion", "1.0"}}};
    EXPECT_EQ(BuildFileInfoRows(f, Line), (Rows{{"L31", "C:\\TOOLS\\"},
                                                {"L32", "A.EXE"},
                                                {"L33", "1234 bytes"},
                                                {"L34", "01.02.2003 04:05:06"},
                                                {"", ""},
                                                {"L35", "Deutsch"},
                                                {"CompanyName:", "Firma"},
                                                {"FileVersion:", "1.0"},
                                                {"", ""},
                                                {"L38", "L37"},
                                                {"L40", "L37"}}));
    // A bare name has no directory part.
    f.path = "explorer.exe";
    Rows rows = BuildFileInfoRows(f, Line);
    EXPECT_EQ(rows[0].value, "");
    EXPECT_EQ(rows[1].value, "explorer.exe");
}

TEST(ProcessInfo, AttributeRowsFollowTheBitsInFixedOrder) {
    FileFacts f = SampleFacts();
    f.attributes = kAttrSystem | kAttrHidden | kAttrReadOnly | kAttrArchive | 0x80;
    Rows all = BuildFileInfoRows(f, Line);
    ASSERT_EQ(all.size(), 11u);
    EXPECT_EQ(all[6], (InfoRow{"", ""}));
    EXPECT_EQ(all[7].caption, "L38");
    EXPECT_EQ(all[8].caption, "L39");
    EXPECT_EQ(all[9].caption, "L40");
    EXPECT_EQ(all[10].caption, "L41");
    // None of the four: the empty row before them stays, and is the last.
    f.attributes = 0x80;
    Rows none = BuildFileInfoRows(f, Line);
    ASSERT_EQ(none.size(), 7u);
    EXPECT_EQ(none.back(), (InfoRow{"", ""}));
    // Without version information one row says so.
    EXPECT_EQ(none[5], (InfoRow{"", "L36"}));
}

TEST(ProcessInfo, ProcessRowsWithHexIdsAndSignedPriority) {
    ProcessEntry e = test::ScriptedProcessSource::Record(420, "C:\\A.EXE", 7);
    e.cntUsage = 3;
    e.th32ParentProcessID = 0xFFFFFFFF;
    e.th32ModuleID = 0;
    e.pcPriClassBase = 8;
    EXPECT_EQ(BuildProcessInfoRows(e, Line), (Rows{{"L42", "3"},
                                                   {"L43", "000001A4"},
                                                   {"L44", "FFFFFFFF"},
                                                   {"L45", "00000000"},
                                                   {"L48", "7"},
                                                   {"L47", "8"}}));
    e.pcPriClassBase = -2;
    EXPECT_EQ(BuildProcessInfoRows(e, Line).back().value, "-2");
}

std::string FindValue(const Rows& rows, const std::string& caption) {
    for (const InfoRow& r : rows)
        if (r.caption == caption) return r.value;
    return "<none>";
}

TEST(ProcessInfoLive, HelpersVersionResourceIsShown) {
    const std::string path = test::HelperPath();
    auto facts = ReadFileFacts(path);
    ASSERT_TRUE(facts);
    ASSERT_TRUE(facts->version);
    EXPECT_EQ(facts->version->translation, 0x04E40407u);
    char german[64] = {};
    ::VerLanguageNameA(0x0407, german, sizeof german);
    EXPECT_EQ(facts->version->languageName, german);

    Rows rows = BuildFileInfoRows(*facts, Line);
    EXPECT_EQ(rows[0].value, ExecutableDir());
    EXPECT_EQ(rows[1].value, "prochelper.exe");
    EXPECT_EQ(rows[2].value, std::to_string(test::ReadBytes(path).size()) + " bytes");
    EXPECT_EQ(rows[5], (InfoRow{"L35", german}));
    // The keys it has, in the fixed order.
    std::vector<std::string> captions;
    for (size_t i = 6; i < rows.size() && !rows[i].caption.empty(); ++i)
        captions.push_back(rows[i].caption);
    EXPECT_EQ(captions,
              (std::vector<std::string>{"InternalName:", "OriginalFilename:", "CompanyName:",
                                        "LegalCopyright:", "ProductName:", "ProductVersion:",
                                        "FileDescription:", "FileVersion:", "Comments:"}));
    EXPECT_EQ(FindValue(rows, "CompanyName:"), "Quorvik Testwerkstatt");
    EXPECT_EQ(FindValue(rows, "FileDescription:"), "Prozess-Testhelfer f\xFCr Quorvik 6");
    EXPECT_EQ(FindValue(rows, "FileVersion:"), "1.2.3.4");
    EXPECT_EQ(FindValue(rows, "LegalCopyright:"), "\xA9 Quorvik");
}

TEST(ProcessInfoLive, NoFileNoRows) {
    test::TempDir dir;
    EXPECT_FALSE(ReadFileFacts(dir / "missing.exe"));
    EXPECT_FALSE(ReadFileFacts(dir.Path()));
    EXPECT_FALSE(ReadFileFacts(dir.Path().substr(0, dir.Path().size() - 1)));
    EXPECT_FALSE(ReadFileFacts(""));
    EXPECT_FALSE(ReadFileFacts(dir.Path() + std::string(260, 'n')));
    // A file that went away since the page was filled.
    test::WriteBytes(dir / "brief.exe", "MZ");
    ASSERT_TRUE(ReadFileFacts(dir / "brief.exe"));
    ASSERT_TRUE(::DeleteFileA((dir / "brief.exe").c_str()));
    EXPECT_FALSE(ReadFileFacts(dir / "brief.exe"));
}

TEST(ProcessInfoLive, PlainFileWithAttributesAndNoVersion) {
    test::TempDir dir;
    const std::string file = dir / "plain.txt";
    test::WriteBytes(file, "");
    ASSERT_TRUE(
        ::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY));
    auto facts = ReadFileFacts(file);
    ::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(facts);
    Rows rows = BuildFileInfoRows(*facts, Line);
    ASSERT_EQ(rows.size(), 9u);
    EXPECT_EQ(rows[2].value, "0 bytes");
    EXPECT_EQ(rows[5], (InfoRow{"", "L36"}));
    EXPECT_EQ(rows[7], (InfoRow{"L38", "L37"}));
    EXPECT_EQ(rows[8], (InfoRow{"L40", "L37"}));
}

// Sets the file's last-write time to a local time.
void SetLocalWriteTime(const std::string& file, SYSTEMTIME local) {
    SYSTEMTIME utc{};
    ASSERT_TRUE(::TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc));
    FILETIME ft{};
    ASSERT_TRUE(::SystemTimeToFileTime(&utc, &ft));
    UniqueHandle f(
        ::CreateFileA(file.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(f);
    ASSERT_TRUE(::SetFileTime(f.get(), nullptr, nullptr, &ft));
}

std::string DateText(const SYSTEMTIME& st) {
    char b[128] = {};
    ::GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, b, sizeof b);
    return b;
}
std::string TimeText(const SYSTEMTIME& st) {
    char b[128] = {};
    ::GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, nullptr, b, sizeof b);
    return b;
}

TEST(ProcessInfoLive, LastWriteIsLocalTimeInEvenSecondsWithoutMidnight) {
    test::TempDir dir;
    const std::string file = dir / "dated.exe";
    test::WriteBytes(file, "MZ");

    SYSTEMTIME t{};
    t.wYear = 2019;
    t.wMonth = 7;
    t.wDay = 14;
    t.wHour = 12;
    t.wMinute = 34;
    t.wSecond = 57;
    t.wMilliseconds = 900;
    SetLocalWriteTime(file, t);
    SYSTEMTIME shown = t;
    shown.wSecond = 56;
    shown.wMilliseconds = 0;
    EXPECT_EQ(ReadFileFacts(file)->lastWrite, DateText(shown) + " " + TimeText(shown));

    // One second past midnight shows as the date alone.
    t.wHour = t.wMinute = 0;
    t.wSecond = 1;
    t.wMilliseconds = 0;
    SetLocalWriteTime(file, t);
    EXPECT_EQ(ReadFileFacts(file)->lastWrite, DateText(t));
    // In winter as well: the daylight rule of the file's own date applies.
    t.wMonth = 1;
    SetLocalWriteTime(file, t);
    EXPECT_EQ(ReadFileFacts(file)->lastWrite, DateText(t));
}

TEST(ProcessInfoLive, SizeIsTheRealSizeAlsoBeyondFourGiBAndWhenLocked) {
    test::TempDir dir;
    const std::string file = dir / "huge.bin";
    {
        UniqueHandle f(::CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(f);
        DWORD ignored = 0;
        // Sparse, so that no disk space is taken.
        ::DeviceIoControl(f.get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
        LARGE_INTEGER end;
        end.QuadPart = (5ll << 30) + 7;
        ASSERT_TRUE(::SetFilePointerEx(f.get(), end, nullptr, FILE_BEGIN));
        ASSERT_TRUE(::SetEndOfFile(f.get()));
    }
    auto facts = ReadFileFacts(file);
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->size, (5ull << 30) + 7);
    EXPECT_FALSE(facts->version);

    // Held exclusively by another: the size still comes from its entry.
    UniqueHandle lock(::CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(lock);
    facts = ReadFileFacts(file);
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->size, (5ull << 30) + 7);
}

TEST(ProcessInfoLive, RowsOfARunningHelpersTableEntry) {
    AppModel model;
    test::HelperProcess helper;
    ASSERT_TRUE(helper.Started());
    BuildProcessTable(model);
    const ProcessEntry* entry = nullptr;
    for (const ProcessEntry& e : model.ProcessTable)
        if (e.th32ProcessID == helper.Id()) entry = &e;
    ASSERT_NE(entry, nullptr);
    Rows rows = BuildProcessInfoRows(*entry, Line);
    char id[16];
    std::snprintf(id, sizeof id, "%08lX", helper.Id());
    EXPECT_EQ(rows[1].value, id);
    std::snprintf(id, sizeof id, "%08lX", ::GetCurrentProcessId());
    EXPECT_EQ(rows[2].value, id); // started by the test
    EXPECT_EQ(rows[4].value, "1");
    // The file rows of the same entry's path are the helper's.
    auto facts = ReadFileFacts(ProcessName(*entry));
    ASSERT_TRUE(facts);
    EXPECT_TRUE(facts->version);
}

} // namespace
} // namespace qv
