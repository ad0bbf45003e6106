#include "app/AppContext.h"

namespace qv {

std::string AppDir;

} // namespace qv
