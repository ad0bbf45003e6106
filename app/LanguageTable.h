#pragma once
// The program's language table: the lines of AppDir + "qv6.lng", loaded once
// at start-up and never changed afterwards.
#include "base/LanguageFile.h"
#include "base/LanguageLines.h"

namespace qv {

extern LanguageFile LanguageTable;

} // namespace qv
