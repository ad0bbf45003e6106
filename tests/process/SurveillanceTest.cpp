// The surveillance list: its file format, the add and remove rules, the
// order of the platform's sorted list box, and procsurv.dat on disk.
#include "base/Errors.h"
#include "base/Files.h"
#include "base/Handles.h"
#include "process/Surveillance.h"
#include "process/SurveillanceFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <random>

namespace qv {
namespace {

using Lines = std::vector<std::string>;

TEST(SurveillanceFile, ReadsEveryLineEndAndKeepsEmptyLines) {
    EXPECT_EQ(DecodeSurveillanceFile("a\r\nb\rc\nd"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(DecodeSurveillanceFile("a\r\n\r\nb\r\n"), (Lines{"a", "", "b"}));
    EXPECT_EQ(DecodeSurveillanceFile("\r\r\n\n\r"), (Lines{"", "", "", ""}));
    EXPECT_EQ(DecodeSurveillanceFile("\r\n"), (Lines{""}));
    EXPECT_EQ(DecodeSurveillanceFile("last"), (Lines{"last"}));
    EXPECT_TRUE(DecodeSurveillanceFile("").empty());
    // Blanks are part of an entry.
    EXPECT_EQ(DecodeSurveillanceFile(" a \r\n"), (Lines{" a "}));
}

TEST(SurveillanceFile, NulEndsItsLineOnly) {
    using namespace std::string_literals;
    EXPECT_EQ(DecodeSurveillanceFile("ab\0cd\r\nef"s), (Lines{"ab", "ef"}));
    EXPECT_EQ(DecodeSurveillanceFile("\0\0\r\nx\0"s), (Lines{"", "x"}));
    SurveillanceList list;
    list.Assign({"a\0b"s});
    EXPECT_EQ(list[0], "a");
    EXPECT_TRUE(list.AddDropped("c:\\x.exe\0junk"s));
    EXPECT_EQ(list.Find("C:\\X.EXE"), 1);
}

TEST(SurveillanceFile, WritesCrLfAfterEveryEntryAndNothingForNone) {
    EXPECT_EQ(EncodeSurveillanceFile({"C:\\A.EXE", "b"}), "C:\\A.EXE\r\nb\r\n");
    EXPECT_EQ(EncodeSurveillanceFile({""}), "\r\n");
    EXPECT_EQ(EncodeSurveillanceFile({}), "");
}

TEST(SurveillanceList, DroppedCaptionsAreUpperCasedAndNeverTwice) {
    SurveillanceList list;
    EXPECT_TRUE(list.AddDropped("c:\\tools\\a.exe"));
    EXPECT_EQ(list.Entries(), Lines{"C:\\TOOLS\\A.EXE"});
    EXPECT_FALSE(list.AddDropped("C:\\Tools\\A.exe"));
    // Only a-z are upper-cased.
    EXPECT_TRUE(list.AddDropped("c:\\\xE4pfel.exe"));
    EXPECT_EQ(list.Entries(), (Lines{"C:\\TOOLS\\A.EXE", "C:\\\xE4PFEL.EXE"}));
    EXPECT_EQ(list.Count(), 2u);
}

TEST(SurveillanceList, ChosenFilesKeepTheirCaseAndAreNeverTwice) {
    SurveillanceList list;
    list.Assign({"C:\\TOOLS\\A.EXE"});
    EXPECT_FALSE(list.AddFiles({"c:\\Tools\\A.exe"}));
    EXPECT_FALSE(list.AddFiles({}));
    EXPECT_TRUE(list.AddFiles({"c:\\x.exe", "C:\\X.EXE", "c:\\Y.exe"}));
    EXPECT_EQ(list.Entries(), (Lines{"C:\\TOOLS\\A.EXE", "c:\\x.exe", "c:\\Y.exe"}));
}

TEST(SurveillanceList, RemovesTickedEntriesOnlyAndSaysWhetherItDid) {
    SurveillanceList list;
    list.Assign({"d", "b", "a", "c"});
    EXPECT_EQ(list.Entries(), (Lines{"a", "b", "c", "d"}));
    EXPECT_FALSE(list.RemoveTicked());
    list.SetTicked(1, true);
    list.SetTicked(3, true);
    list.SetTicked(99, true); // no such entry
    EXPECT_TRUE(list.RemoveTicked());
    EXPECT_EQ(list.Entries(), (Lines{"a", "c"}));
    EXPECT_FALSE(list.Ticked(0));
    EXPECT_FALSE(list.Ticked(1));

    // "Alle wählen", then "Entfernen".
    list.TickAll(true);
    EXPECT_TRUE(list.Ticked(0) && list.Ticked(1));
    list.TickAll(false);
    EXPECT_FALSE(list.Ticked(0) || list.Ticked(1));
    list.TickAll(true);
    EXPECT_TRUE(list.RemoveTicked());
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_FALSE(list.RemoveTicked());
}

TEST(SurveillanceList, TicksStayWithTheirEntryAndAReloadClearsThem) {
    SurveillanceList list;
    list.Assign({"b", "d"});
    list.SetTicked(1, true); // d
    list.AddFiles({"a", "c"});
    EXPECT_EQ(list.Entries(), (Lines{"a", "b", "c", "d"}));
    EXPECT_TRUE(list.Ticked(3));
    EXPECT_FALSE(list.Ticked(0) || list.Ticked(1) || list.Ticked(2));
    list.Assign(list.Entries());
    EXPECT_FALSE(list.Ticked(3));
}

// A sorted list box of the platform, fed text by text as the form would.
class SortedListBox {
  public:
    SortedListBox()
        : box_(::CreateWindowExA(0, "LISTBOX", "", WS_POPUP | LBS_SORT | LBS_HASSTRINGS, 0, 0, 100,
                                 100, nullptr, nullptr, nullptr, nullptr)) {}
    ~SortedListBox() {
        if (box_) ::DestroyWindow(box_);
    }
    bool Exists() const { return box_ != nullptr; }
    void Add(const std::string& text) {
        ::SendMessageA(box_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    Lines Items() const {
        Lines items;
        int n = static_cast<int>(::SendMessageA(box_, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            std::string text(static_cast<size_t>(::SendMessageA(box_, LB_GETTEXTLEN, i, 0)), '\0');
            std::vector<char> buffer(text.size() + 1);
            ::SendMessageA(box_, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buffer.data()));
            items.emplace_back(buffer.data());
        }
        return items;
    }

  private:
    HWND box_;
};

// Mixed case, umlauts, sharp s, blanks, punctuation and texts that are
// equal but for case, in an order that makes the list box's insertion rule
// visible.
Lines TrickyTexts() {
    Lines texts = {"b",     "B",         "a",        "\xE4pfel", "Apfel", "Zebra", "\xC4pfel",
                   "apfel", "abc",       "ABC",      "Abc",      "a_b",   "a-b",   "ab",
                   "a b",   "A",         "_x",       "1",        "10",    "9",     "c:\\b",
                   "C:\\A", "c:\\a.exe", "C:\\A\\X", "\xFC",     "u",     "v",     "\xDF",
                   "ss",    "st",        "co-op",    "coop",     "x1",    "X1",    "x1",
                   "m",     "X1",        "x1b",      "\xD6L",    "\xF6l", "ol",    "OZ"};
    std::mt19937 rng(7);
    const char alphabet[] = "aAbBsS\xE4\xC4\xDF\xFC\xDC\\.- ";
    for (int i = 0; i < 400; ++i) {
        std::string s;
        for (int n = 1 + int(rng() % 4); n > 0; --n)
            s += alphabet[rng() % (sizeof alphabet - 1)];
        texts.push_back(s);
    }
    return texts;
}

TEST(SurveillanceList, OrderIsTheSortedListBoxOrder) {
    const Lines texts = TrickyTexts();
    SortedListBox box;
    ASSERT_TRUE(box.Exists());
    for (const std::string& t : texts)
        box.Add(t);
    SurveillanceList list(SystemCollation());
    list.Assign(texts);
    EXPECT_EQ(list.Entries(), box.Items());
}

TEST(SurveillanceList, AddedEntriesGoWhereTheListBoxPutsThem) {
    // Distinct without regard to case, but sharp s and "ss" sort as equal.
    const Lines first = {"C:\\STRASSE\\A.EXE", "c:\\m.exe", "c:\\\xE4.exe", "C:\\Z.EXE"};
    const Lines more = {"C:\\STRA\xDF"
                        "E\\A.EXE",
                        "c:\\b.exe", "c:\\strasse\\b.exe", "C:\\\xC4\\X.EXE", "c:\\0.exe"};
    SortedListBox box;
    ASSERT_TRUE(box.Exists());
    SurveillanceList list(SystemCollation());
    for (const std::string& t : first)
        box.Add(t);
    list.Assign(first);
    for (const std::string& t : more) {
        box.Add(t);
        EXPECT_TRUE(list.AddFiles({t})) << t;
        EXPECT_EQ(list.Entries(), box.Items()) << "after " << t;
    }
}

TEST(SurveillanceList, SystemDuplicateRuleIgnoresCaseOnly) {
    SurveillanceList list(SystemCollation());
    list.Assign({"C:\\\xC4PFEL\\A.EXE", "C:\\STRASSE\\B.EXE"});
    // Umlauts have a case as well.
    EXPECT_EQ(list.Find("c:\\\xE4pfel\\a.exe"), 0);
    EXPECT_FALSE(list.AddFiles({"c:\\\xE4pfel\\a.exe"}));
    // Another spelling is another path, though the list box sorts them alike.
    EXPECT_EQ(list.Find("C:\\STRA\xDF"
                        "E\\B.EXE"),
              -1);
    EXPECT_EQ(list.Find("C:\\STRASSE\\B"), -1);
}

class SurveillanceOnDisk : public testing::Test {
  protected:
    std::string File() const { return dir_ / kSurveillanceFileName; }
    const std::string& AppDirectory() const { return dir_.Path(); }
    test::TempDir dir_;
};

TEST_F(SurveillanceOnDisk, MissingFileIsAnEmptyListAndChangesAreSaved) {
    SurveillanceList list;
    list.Assign({"stale"});
    LoadSurveillanceList(list, AppDirectory());
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_FALSE(list.LoadFailed());
    EXPECT_FALSE(FileExists(File()));

    ASSERT_TRUE(list.AddDropped("c:\\b.exe"));
    ASSERT_TRUE(list.AddFiles({"c:\\A.exe"}));
    SaveSurveillanceList(list, AppDirectory());
    EXPECT_EQ(test::ReadBytes(File()), "c:\\A.exe\r\nC:\\B.EXE\r\n");

    // Read back with other line ends, sorted, ticks gone.
    test::WriteBytes(File(), "z\nC:\\B.EXE\rc:\\A.exe");
    list.TickAll(true);
    LoadSurveillanceList(list, AppDirectory());
    EXPECT_EQ(list.Entries(), (Lines{"c:\\A.exe", "C:\\B.EXE", "z"}));
    EXPECT_FALSE(list.Ticked(0));

    list.TickAll(true);
    ASSERT_TRUE(list.RemoveTicked());
    SaveSurveillanceList(list, AppDirectory());
    EXPECT_TRUE(FileExists(File()));
    EXPECT_EQ(test::ReadBytes(File()), "");
}

TEST_F(SurveillanceOnDisk, FileThatCannotBeCreatedRaisesTheMessage) {
    SurveillanceList list;
    list.AddDropped("c:\\a.exe");
    const std::string missingDir = dir_ / "not here\\";
    try {
        SaveSurveillanceList(list, missingDir);
        FAIL() << "saved into a folder that does not exist";
    } catch (const AppError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Datei " + missingDir + "procsurv.dat kann nicht erstellt werden");
    }
}

TEST_F(SurveillanceOnDisk, FileThatCannotBeReadIsNeverOverwritten) {
    test::WriteBytes(File(), "C:\\KEEP\\ME.EXE\r\n");
    SurveillanceList list;
    {
        // Someone holds the file exclusively.
        UniqueHandle lock(::CreateFileA(File().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(lock);
        EXPECT_THROW(LoadSurveillanceList(list, AppDirectory()), AppError);
    }
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_TRUE(list.LoadFailed());
    ASSERT_TRUE(list.AddDropped("c:\\new.exe"));
    EXPECT_THROW(SaveSurveillanceList(list, AppDirectory()), AppError);
    EXPECT_EQ(test::ReadBytes(File()), "C:\\KEEP\\ME.EXE\r\n");

    // Once it reads again, the list saves again.
    LoadSurveillanceList(list, AppDirectory());
    EXPECT_FALSE(list.LoadFailed());
    ASSERT_TRUE(list.AddDropped("c:\\new.exe"));
    SaveSurveillanceList(list, AppDirectory());
    EXPECT_EQ(test::ReadBytes(File()), "C:\\KEEP\\ME.EXE\r\nC:\\NEW.EXE\r\n");
}

TEST_F(SurveillanceOnDisk, HostileFileLoadsWholeAndStaysUntouched) {
    std::string bytes;
    const std::string longLine(1 << 20, 'L');
    bytes += longLine + "\r\n";
    bytes += std::string("with\0nul\r\n", 10);
    bytes += std::string(3, '\0') + "\n";
    const char* ends[] = {"\r\n", "\r", "\n"};
    for (int i = 0; i < 100000; ++i)
        bytes += "c:\\dir" + std::to_string(i % 977) + "\\File" + std::to_string(i) + ".exe" +
                 ends[i % 3];
    bytes += "no end";
    test::WriteBytes(File(), bytes);

    SurveillanceList list(SystemCollation());
    LoadSurveillanceList(list, AppDirectory());
    ASSERT_EQ(list.Count(), 100004u);
    EXPECT_GE(list.Find(longLine), 0);
    EXPECT_EQ(list[static_cast<size_t>(list.Find(longLine))].size(), longLine.size());
    EXPECT_GE(list.Find("with"), 0);
    EXPECT_GE(list.Find(""), 0);
    EXPECT_GE(list.Find("NO END"), 0);
    for (size_t i = 1; i < list.Count(); ++i)
        ASSERT_NE(::CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, list[i - 1].c_str(), -1,
                                   list[i].c_str(), -1),
                  CSTR_GREATER_THAN)
            << i;
    EXPECT_EQ(test::ReadBytes(File()), bytes);

    // A change goes out in displayed order, every line with CR LF.
    ASSERT_TRUE(list.AddDropped("c:\\zzz.exe"));
    SaveSurveillanceList(list, AppDirectory());
    EXPECT_EQ(test::ReadBytes(File()), EncodeSurveillanceFile(list.Entries()));
}

} // namespace
} // namespace qv
