#pragma once
// Which language line goes onto which control: the main window and each of
// its pages list theirs by member, so that a renamed or removed control is a
// compile error rather than a line that silently goes nowhere.
#include "base/LanguageFile.h"
#include "base/LanguageLines.h"
#include "ui/Form.h"

#include <span>

namespace qv {

enum class Prop { Caption, Hint };

struct LanguageTarget {
    ui::Control* control;
    Lng line;
    Prop prop;
};

// Copies each line of the table onto its control; a hint goes
// through the form's tool tips.
void ApplyLanguageTargets(ui::Form& form, const LanguageFile& table,
                          std::span<const LanguageTarget> targets);

} // namespace qv
