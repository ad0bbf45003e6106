#pragma once
// Builds autostart entries for the main window's tests.
#include "autostart/AutostartEntry.h"

#include <string>

namespace qv::test {

inline AutostartEntry MakeEntry(int group, uint8_t kind, const std::string& caption,
                                const std::string& detail, uint8_t active = 1) {
    AutostartEntry e = ZeroEntry();
    e.Kind = kind;
    e.Group = static_cast<uint8_t>(group);
    e.Active = active;
    e.Caption.assign(caption);
    e.Detail.assign(detail);
    if (kind == KindFile) {
        e.FileName.assign("C:\\Start\\" + caption);
        e.Checksum = 0x1234;
    } else {
        e.RootKey.assign(kRootCurrentUser);
        e.KeyPath.assign("Software\\Microsoft\\Windows\\CurrentVersion\\Run");
        e.ValueName.assign(caption);
        e.ValueData.assign(detail);
    }
    return e;
}

} // namespace qv::test
