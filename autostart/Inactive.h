#pragma once
// Deactivated entries: aseinactive.dat, the kept files in AppDir + "inactive\"
// and their index isf.dat.
#include <string>

namespace qv {

// Appends every record of aseinactive.dat to ASEntries with Active = 0;
// returns the number of records read.
int LoadInactiveEntries();

} // namespace qv
