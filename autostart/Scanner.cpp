#include "autostart/Scanner.h"

#include "autostart/AutostartEntry.h"

namespace qv {

std::string WindowsDir;
std::string SystemDir;

// Placeholder until the scanner lands: finds nothing.
void ScanAutostarts() {
    ASEntries.clear();
}

} // namespace qv
