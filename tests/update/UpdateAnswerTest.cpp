// Reading the update server's answer and what it means.
#include "base/Errors.h"
#include "base/LanguageLines.h"
#include "update/UpdateAnswer.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

std::string ErrorOf(std::string_view body) {
    try {
        ParseUpdateAnswer(body);
    } catch (const AppError& e) {
        return e.what();
    }
    return "<no error>";
}

TEST(UpdateAnswer, TheFirstWordCountsAndTheRestIsNotRead) {
    EXPECT_EQ(ParseUpdateAnswer("1"), 1);
    EXPECT_EQ(ParseUpdateAnswer("1\r\nmore"), 1);
    EXPECT_EQ(ParseUpdateAnswer(" \t\r\n  -1 trailing words"), -1);
    EXPECT_EQ(ParseUpdateAnswer("+2\n"), 2);
    EXPECT_EQ(ParseUpdateAnswer("0"), 0);
    // A word ends at any control character, and what follows is not looked at.
    EXPECT_EQ(ParseUpdateAnswer("1\x01garbage"), 1);
    EXPECT_EQ(ParseUpdateAnswer("1 abc"), 1);
}

TEST(UpdateAnswer, NothingButBlanksGivesZero) {
    EXPECT_EQ(ParseUpdateAnswer(""), 0);
    EXPECT_EQ(ParseUpdateAnswer(" \r\n\t \n"), 0);
}

TEST(UpdateAnswer, HexadecimalAndTheLimitsOf32Bits) {
    EXPECT_EQ(ParseUpdateAnswer("$10"), 16);
    EXPECT_EQ(ParseUpdateAnswer("0x1F"), 31);
    EXPECT_EQ(ParseUpdateAnswer("-$1"), -1);
    EXPECT_EQ(ParseUpdateAnswer("2147483647"), 2147483647);
    EXPECT_EQ(ParseUpdateAnswer("-2147483648"), INT32_MIN);
    EXPECT_EQ(ParseUpdateAnswer("$7FFFFFFF"), INT32_MAX);
    const std::string invalid = "Ung\xFCltige numerische Eingabe";
    EXPECT_EQ(ErrorOf("2147483648"), invalid);
    EXPECT_EQ(ErrorOf("-2147483649"), invalid);
    EXPECT_EQ(ErrorOf("$80000000"), invalid);
    EXPECT_EQ(ErrorOf("99999999999999999999"), invalid);
}

TEST(UpdateAnswer, AWordThatIsNoNumberIsAnError) {
    const std::string invalid = "Ung\xFCltige numerische Eingabe";
    EXPECT_EQ(ErrorOf("abc"), invalid);
    EXPECT_EQ(ErrorOf("<html>"), invalid);
    EXPECT_EQ(ErrorOf("1x"), invalid);
    EXPECT_EQ(ErrorOf("-"), invalid);
    EXPECT_EQ(ErrorOf("$"), invalid);
    EXPECT_EQ(ErrorOf("0x"), invalid);
    EXPECT_EQ(ErrorOf("1.0"), invalid);
    EXPECT_EQ(ErrorOf("\xB9"), invalid);
}

TEST(UpdateAnswer, WordsAreCutAt32CharactersAndMayComeInPieces) {
    // 32 zeros are read; the 1 in 33rd place is not.
    EXPECT_EQ(ParseUpdateAnswer(std::string(32, '0') + "1"), 0);
    EXPECT_EQ(ParseUpdateAnswer(std::string(31, '0') + "1"), 1);

    UpdateAnswerReader reader;
    EXPECT_FALSE(reader.Feed("  \r\n"));
    EXPECT_FALSE(reader.Feed("-"));
    EXPECT_FALSE(reader.Feed("1"));
    EXPECT_TRUE(reader.Feed("\r\nrest"));
    EXPECT_TRUE(reader.Feed("ignored"));
    EXPECT_EQ(reader.Value(), -1);
}

TEST(UpdateDecision, EachAnswerItsLine) {
    EXPECT_EQ(DecideUpdate(-1),
              (UpdateDecision{UpdateAction::ShowMessage, Lng::UpdateNotPossible}));
    EXPECT_EQ(DecideUpdate(0), (UpdateDecision{UpdateAction::ShowMessage, Lng::UpdateCurrent}));
    EXPECT_EQ(DecideUpdate(1), (UpdateDecision{UpdateAction::AskForUpdate, Lng::UpdateConfirm}));
    EXPECT_EQ(DecideUpdate(2).action, UpdateAction::None);
    EXPECT_EQ(DecideUpdate(-2).action, UpdateAction::None);
    EXPECT_EQ(LineNumber(Lng::UpdateNotPossible), 166);
    EXPECT_EQ(LineNumber(Lng::UpdateCurrent), 167);
    EXPECT_EQ(LineNumber(Lng::UpdateConfirm), 168);
}

} // namespace
} // namespace qv
