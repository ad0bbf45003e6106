#pragma once
// Autostart entries as the tests need them, one builder per kind of source.
// The full forms fill every field the scanner fills, with Active 1; the short
// forms take the value name (or key, or path) as caption.
#include "autostart/AutostartEntry.h"

#include <string>

namespace qv::test {

inline AutostartEntry RegEntry(const std::string& root, const std::string& keyPath,
                               const std::string& name, const std::string& data,
                               const std::string& caption, const std::string& detail, uint8_t group,
                               uint8_t sourceFlag) {
    AutostartEntry e = ZeroEntry();
    e.Kind = KindRegistry;
    e.RootKey.assign(root);
    e.KeyPath.assign(keyPath);
    e.ValueName.assign(name);
    e.ValueData.assign(data);
    e.SourceFlag = sourceFlag;
    e.Active = 1;
    e.Caption.assign(caption);
    e.Detail.assign(detail);
    e.Group = group;
    return e;
}

inline AutostartEntry IniEntry(const std::string& file, const std::string& section,
                               const std::string& key, const std::string& data,
                               const std::string& caption, const std::string& detail, uint8_t group,
                               uint8_t sourceFlag) {
    AutostartEntry e = ZeroEntry();
    e.Kind = KindIni;
    e.FileName.assign(file);
    e.RootKey.assign(section);
    e.ValueName.assign(key);
    e.ValueData.assign(data);
    e.SourceFlag = sourceFlag;
    e.Active = 1;
    e.Caption.assign(caption);
    e.Detail.assign(detail);
    e.Group = group;
    return e;
}

inline AutostartEntry FileEntry(const std::string& path, const std::string& caption,
                                const std::string& detail, uint8_t group, uint8_t sourceFlag,
                                int32_t checksum) {
    AutostartEntry e = ZeroEntry();
    e.Kind = KindFile;
    e.FileName.assign(path);
    e.SourceFlag = sourceFlag;
    e.Active = 1;
    e.Caption.assign(caption);
    e.Detail.assign(detail);
    e.Group = group;
    e.Checksum = checksum;
    return e;
}

inline AutostartEntry RegEntry(const std::string& root, const std::string& key,
                               const std::string& name, const std::string& data,
                               uint8_t group = GroupByte(AutostartGroup::RunKeys)) {
    return RegEntry(root, key, name, data, name, "", group, 0);
}
inline AutostartEntry IniEntry(const std::string& file, const std::string& section,
                               const std::string& key, const std::string& data,
                               uint8_t group = GroupByte(AutostartGroup::IniLines)) {
    return IniEntry(file, section, key, data, key, "", group, 0);
}
inline AutostartEntry FileEntry(const std::string& path,
                                uint8_t group = GroupByte(AutostartGroup::StartupFolders)) {
    return FileEntry(path, path, "", group, 0, 0);
}

// A row for the main window's list: a Run value of the current user named by
// the caption, or a file in a startup folder.
inline AutostartEntry MakeEntry(int group, uint8_t kind, const std::string& caption,
                                const std::string& detail, uint8_t active = 1) {
    AutostartEntry e =
        kind == KindFile
            ? FileEntry("C:\\Start\\" + caption, caption, detail, static_cast<uint8_t>(group), 0,
                        0x1234)
            : RegEntry(kRootCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                       caption, detail, caption, detail, static_cast<uint8_t>(group), 0);
    e.Kind = kind;
    e.Active = active;
    return e;
}

} // namespace qv::test
