#pragma once
// Autostart entries as the tests need them, one per kind of source.
#include "autostart/AutostartEntry.h"

#include <string>

namespace qv::test {

inline AutostartEntry FileEntry(const std::string& path, uint8_t group = 5) {
    AutostartEntry e = ZeroEntry();
    e.Kind = KindFile;
    e.FileName.assign(path);
    e.Caption.assign(path);
    e.Group = group;
    return e;
}
inline AutostartEntry RegEntry(const std::string& root, const std::string& key,
                               const std::string& name, const std::string& data,
                               uint8_t group = 0) {
    AutostartEntry e = ZeroEntry();
    e.Kind = KindRegistry;
    e.RootKey.assign(root);
    e.KeyPath.assign(key);
    e.ValueName.assign(name);
    e.ValueData.assign(data);
    e.Caption.assign(name);
    e.Group = group;
    return e;
}
inline AutostartEntry IniEntry(const std::string& file, const std::string& section,
                               const std::string& key, const std::string& data, uint8_t group = 6) {
    AutostartEntry e = ZeroEntry();
    e.Kind = KindIni;
    e.FileName.assign(file);
    e.RootKey.assign(section);
    e.ValueName.assign(key);
    e.ValueData.assign(data);
    e.Caption.assign(key);
    e.Group = group;
    return e;
}

} // namespace qv::test
