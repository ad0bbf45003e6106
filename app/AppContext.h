#pragma once
// Process-wide values of the application shell.
#include "base/Product.h"

#include <string>

namespace qv {

// The executable's directory with a trailing backslash; every data file of
// the program is addressed relative to it. Set by the main window's creation
// (tests set it to a folder of their own) and handed to the operations that
// read or write those files.
extern std::string AppDir;

} // namespace qv
