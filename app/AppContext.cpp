#include "app/AppContext.h"

#include "base/Files.h"
#include "base/Text.h"

namespace qv {

std::string AppDir;

std::string ExecutableDir() {
    return IncludeTrailingBackslash(ExtractFilePath(ExecutablePath()));
}

} // namespace qv
