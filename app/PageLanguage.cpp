#include "app/PageLanguage.h"

namespace qv {

void ApplyLanguageTargets(ui::Form& form, std::span<const LanguageTarget> targets) {
    for (const LanguageTarget& t : targets) {
        if (t.prop == Prop::Caption)
            t.control->SetCaption(LanguageTable[t.line]);
        else
            form.SetHint(*t.control, LanguageTable[t.line]);
    }
}

} // namespace qv
