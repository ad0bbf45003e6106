#pragma once
// The machine's figures for the system information list, read anew on every
// call; nothing is cached and nothing is written.
#include "sysinfo/SystemInfo.h"

namespace qv {

// The extended memory status, the true version from ntdll (the documented
// version call answers according to the program's manifest), and the
// registry's version values, opened read-only.
SystemFigures ReadSystemFigures();

} // namespace qv
