#include "app/PageLanguage.h"

namespace qv {

void ApplyLanguageTargets(ui::Form& form, const LanguageFile& table,
                          std::span<const LanguageTarget> targets) {
    for (const LanguageTarget& t : targets) {
        if (t.prop == Prop::Caption)
            t.control->SetCaption(table[t.line]);
        else
            form.SetHint(*t.control, table[t.line]);
    }
}

} // namespace qv
