#pragma once
// The update server's answer: reading the number at the start of the body,
// and what each number means for the user. Pure code, no Windows headers.
#include "base/LanguageLines.h"

#include <cstddef>
#include <optional>
#include <cstdint>
#include <string>
#include <string_view>

namespace qv {

// The longest word the answer reader takes; the rest of a longer one is
// not read.
constexpr size_t kMaxAnswerWord = 32;

// Reads the answer from the body in pieces, so a large body need not be
// held whole: blanks, tabs, line breaks and other control characters are
// skipped, then up to 32 characters are taken up to the next blank or
// control character. Feed returns true once the word is complete; nothing
// after it is looked at.
class UpdateAnswerReader {
  public:
    bool Feed(std::string_view piece);
    // The word as a signed 32-bit integer: decimal with an optional sign, or
    // hexadecimal after "$" or "0x" (after the sign). No word at all gives 0.
    // Throws AppError "Ungültige numerische Eingabe" for any other word and
    // for a number beyond the 32-bit range.
    int32_t Value() const;

  private:
    std::string word_;
    bool done_ = false;
};

// The whole body at once.
int32_t ParseUpdateAnswer(std::string_view body);

// The version the server announces after the number ("1 6.03"), as the
// updater must find it in the signed list; empty when the second word is
// missing or no version. Only the first bytes of the body are looked at.
std::string AnnouncedVersion(std::string_view body);

// What the dialog does with an answer.
enum class UpdateAction {
    None,        // any number but -1, 0 and 1: nothing is shown
    ShowMessage, // a plain message with the line
    AskForUpdate // OK and Cancel with the line; OK hands over to the updater
};
struct UpdateDecision {
    UpdateAction action = UpdateAction::None;
    std::optional<Lng> line; // the language line to show or ask, none for None
    bool operator==(const UpdateDecision&) const = default;
};
// -1: line 166, 0: line 167, 1: the question of line 168, others nothing.
UpdateDecision DecideUpdate(int32_t answer);

} // namespace qv
