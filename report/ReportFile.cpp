// The platform-free part of the report file's rules.
#include "report/ReportFile.h"

namespace qv {

std::string ReportFilePath(const std::string& appDir) {
    return appDir + kReportFileName;
}

bool IsMidnight(const LocalDateTime& t) {
    return t.hour == 0 && t.minute == 0 && t.second == 0 && t.millisecond == 0;
}

} // namespace qv
