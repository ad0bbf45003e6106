#include "model/AppModel.h"
#include "base/Files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace qv {
namespace {

TEST(LanguageTable, LineEndsAndNulGiveTheSameTable) {
    LanguageFile crlf, lf, cr, mixed;
    crlf.LoadFromBytes("null\r\neins\r\n\r\ndrei\r\n");
    lf.LoadFromBytes("null\neins\n\ndrei\n");
    cr.LoadFromBytes("null\reins\r\rdrei\r");
    mixed.LoadFromBytes(std::string("null\reins\n\r\ndrei\0vier\r\n", 22));
    for (const LanguageFile* t : {&crlf, &lf, &cr, &mixed}) {
        ASSERT_EQ(t->Count(), 4u);
        EXPECT_EQ((*t)[LineAt(0)], "null");
        EXPECT_EQ((*t)[LineAt(2)], "");
        EXPECT_EQ((*t)[LineAt(3)], "drei");
    }
}

TEST(LanguageTable, MissingLinesReadAsEmptyText) {
    LanguageFile t;
    t.LoadFromBytes("a\r\nb");
    EXPECT_EQ(t[LineAt(1)], "b");
    EXPECT_EQ(t[LineAt(2)], "");
    EXPECT_EQ(t[LineAt(170)], "");
    EXPECT_EQ(t[LineAt(-1)], "");
    EXPECT_EQ(t.Format(LineAt(25), {"7"}), "");
}

TEST(LanguageTable, FormattingNeverReadsPastItsArguments) {
    EXPECT_EQ(FormatPercentS("Inhalt (%s)", {"12"}), "Inhalt (12)");
    // Surplus placeholders of a translated file become empty text.
    EXPECT_EQ(FormatPercentS("%s und %s und %s", {"a"}), "a und  und ");
    // Fewer placeholders than arguments: the rest is unused.
    EXPECT_EQ(FormatPercentS("nur %s", {"a", "b", "c"}), "nur a");
    EXPECT_EQ(FormatPercentS("100%% %d %x %", {}), "100% %d %x %");
    // An argument that holds a placeholder is inserted as it stands.
    EXPECT_EQ(FormatPercentS("%s-%s", {"%s", "x"}), "%s-x");
}

// The installed file itself: complete, cp1252, CR LF, and every format line
// with exactly the placeholders its users pass.
TEST(LanguageTable, InstalledFileIsCompleteAndItsFormatLinesFit) {
    auto bytes = ReadFileBytes(ExecutableDir() + "qv6.lng");
    ASSERT_TRUE(bytes.has_value()) << "qv6.lng must lie beside the executables";
    LanguageFile t;
    t.LoadFromBytes(*bytes);
    EXPECT_EQ(t.Count(), static_cast<size_t>(LineNumber(Lng::Last) + 1));
    EXPECT_EQ(bytes->find('\n'), bytes->find("\r\n") + 1) << "lines end with CR LF";
    EXPECT_EQ(std::count(bytes->begin(), bytes->end(), '\n'), LineNumber(Lng::Last) + 1);

    const std::map<int, int> placeholders = {{11, 3},
                                             {12, 3},
                                             {13, 4},
                                             {14, 4},
                                             {15, 1},
                                             {16, 1},
                                             {21, 1},
                                             {22, 1},
                                             {25, 1},
                                             {63, 1},
                                             {179, 1},
                                             {181, 1},
                                             {LineNumber(Lng::HistoryUndoneMark), 1},
                                             {LineNumber(Lng::HistoryChangedSince), 1},
                                             {LineNumber(Lng::HistoryCopyMissing), 1},
                                             {LineNumber(Lng::HistoryCannotUndo), 1},
                                             {LineNumber(Lng::HistoryUndoFailed), 1},
                                             {LineNumber(Lng::HistoryFileRefused), 1},
                                             {LineNumber(Lng::HistoryDropped), 3},
                                             {LineNumber(Lng::TaskSwitchIgnored), 1},
                                             {LineNumber(Lng::SignatureSigned), 1},
                                             {LineNumber(Lng::SignatureCatalog), 1},
                                             {LineNumber(Lng::ASListBoxCaptionHiding), 2},
                                             {LineNumber(Lng::StickyReParked), 2}};
    for (int n = 0; n <= LineNumber(Lng::Last); ++n) {
        const std::string& line = t[LineAt(n)];
        EXPECT_FALSE(line.empty()) << "line " << n;
        size_t count = 0;
        for (size_t p = line.find("%s"); p != std::string::npos; p = line.find("%s", p + 2))
            ++count;
        auto it = placeholders.find(n);
        EXPECT_EQ(count, it == placeholders.end() ? 0u : size_t(it->second)) << "line " << n;
    }
    // Design-time captions, with their umlauts as cp1252 bytes.
    EXPECT_EQ(t[LineAt(79)], "Handbuch anzeigen (F1)");
    EXPECT_EQ(t[LineAt(90)], "\xC4ndern");
    EXPECT_EQ(t[LineAt(94)], "L\xF6schen");
    EXPECT_EQ(t[LineAt(101)], "Ausge&w\xE4hlt");
    EXPECT_EQ(t[LineAt(127)], "Schlie\xDF"
                              "en");
    EXPECT_EQ(t[LineAt(165)], "Bitte warten Sie einen Moment...");
}

// The English translation: a file of its own with the same numbering, and
// the same placeholders in every line, so that copying it over qv6.lng
// changes nothing but the words.
TEST(LanguageTable, EnglishTranslationMatchesTheGermanFileLineForLine) {
    auto german = ReadFileBytes(ExecutableDir() + "qv6.lng");
    auto english = ReadFileBytes(ExecutableDir() + "lang\\english.lng");
    ASSERT_TRUE(german && english) << "lang\\english.lng must lie beside the executables";
    // Every line ends with CR LF: as many CRs as LFs, each LF behind a CR.
    EXPECT_EQ(std::count(english->begin(), english->end(), '\r'),
              std::count(english->begin(), english->end(), '\n'));
    for (size_t p = english->find('\n'); p != std::string::npos; p = english->find('\n', p + 1))
        ASSERT_TRUE(p > 0 && (*english)[p - 1] == '\r') << "at byte " << p;
    EXPECT_EQ(english->back(), '\n');
    // Windows-1252 has no character at these five bytes.
    for (unsigned char c : *english)
        EXPECT_TRUE(c != 0x81 && c != 0x8D && c != 0x8F && c != 0x90 && c != 0x9D && c != 0)
            << int(c);
    LanguageFile de, en;
    de.LoadFromBytes(*german);
    en.LoadFromBytes(*english);
    ASSERT_EQ(en.Count(), de.Count());
    auto count = [](const std::string& line, std::string_view what) {
        size_t n = 0;
        for (size_t p = line.find(what); p != std::string::npos; p = line.find(what, p + 1))
            ++n;
        return n;
    };
    for (int n = 0; n < static_cast<int>(de.Count()); ++n) {
        EXPECT_FALSE(en[LineAt(n)].empty()) << "line " << n;
        EXPECT_EQ(count(en[LineAt(n)], "%s"), count(de[LineAt(n)], "%s"))
            << "line " << n << ": " << en[LineAt(n)];
        EXPECT_EQ(count(en[LineAt(n)], "%"), count(en[LineAt(n)], "%s"))
            << "a stray % in line " << n;
    }
    // The two files are not the same text.
    EXPECT_NE(en[Lng::QVGuardBtnCaption], de[Lng::QVGuardBtnCaption]);
}

} // namespace
} // namespace qv
