// The scheduled tasks, the services and the drivers: their scan functions,
// called from the scanner's table of groups.
#include "autostart/GroupScan.h"

#include "autostart/SystemScan.h"

namespace qv {

namespace {

void AddRows(GroupScan& scan, std::vector<ScannedRow> rows) {
    for (ScannedRow& row : rows)
        scan.AddRecord(row.record, row.checkedFile);
}

} // namespace

void ScanScheduledTasks(GroupScan& scan) {
    if (SystemSources* sources = scan.System().Sources())
        AddRows(scan, ScanTaskRows(scan.System(), *sources, scan.Words()));
}

void ScanServices(GroupScan& scan) {
    if (SystemSources* sources = scan.System().Sources())
        AddRows(scan, ScanServiceRows(scan.System(), *sources, scan.Words(), false));
}

void ScanDrivers(GroupScan& scan) {
    if (SystemSources* sources = scan.System().Sources())
        AddRows(scan, ScanServiceRows(scan.System(), *sources, scan.Words(), true));
}

} // namespace qv
