#include "app/LanguageTable.h"

namespace qv {

LanguageFile LanguageTable;

} // namespace qv
