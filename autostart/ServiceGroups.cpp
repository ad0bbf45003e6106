// The scheduled tasks, the services and the drivers: their scan functions,
// called from the scanner's table of groups.
#include "autostart/GroupScan.h"

namespace qv {

void ScanScheduledTasks(GroupScan& scan) {
    (void)scan;
}

void ScanServices(GroupScan& scan) {
    (void)scan;
}

void ScanDrivers(GroupScan& scan) {
    (void)scan;
}

} // namespace qv
