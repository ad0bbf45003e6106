#include "autostart/Inactive.h"

namespace qv {

// Placeholder until deactivation lands.
int LoadInactiveEntries() {
    return 0;
}

} // namespace qv
