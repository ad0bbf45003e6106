#pragma once
// Puts the test prefix into a known state for the scanner: every autostart
// source the scanner reads is saved and emptied when the object is made, and
// put back exactly as it was when it goes. Tests then seed what they need
// through the real registry, ini and file API.
#include "autostart/ScanPlatform.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace qv::test {

// A registry key with all its values (raw type and bytes) and subkeys.
struct RegTree {
    struct Value {
        std::string name;
        DWORD type;
        std::string data;
    };
    std::vector<Value> values;
    std::vector<std::pair<std::string, RegTree>> subkeys;
};

std::optional<RegTree> SaveRegTree(HKEY root, const std::string& path);
// Deletes the key and, when tree holds one, writes it back.
void RestoreRegTree(HKEY root, const std::string& path, const std::optional<RegTree>& tree);

// The key names of an ini section as the profile API lists them.
std::vector<std::string> IniKeys(const std::string& file, const std::string& section);

// The real registry and files without the Service Control Manager and the
// scheduler: the prefix's own services and drivers, which no test can empty,
// stay out of the lists that tests compare whole.
class RegistryAndFilesPlatform : public ForwardingScanPlatform {
  public:
    SystemSources* Sources() override { return nullptr; }
};

class AutostartMachine {
  public:
    AutostartMachine();
    ~AutostartMachine();
    AutostartMachine(const AutostartMachine&) = delete;
    AutostartMachine& operator=(const AutostartMachine&) = delete;

    // The system's own startup folders (no trailing backslash), emptied for
    // the test. Wine's shell writes these paths back into the registry now
    // and then, from another process: seeding other folders would race it.
    const std::string& UserStartup() const { return userStartup_; }
    const std::string& CommonStartup() const { return commonStartup_; }
    // Points the startup folder values somewhere else, for tests that do not
    // mind the shell putting them back.
    void SetUserStartup(const std::string& folder);
    void SetCommonStartup(const std::string& folder);
    void SetIni(const std::string& file, const std::string& section, const std::string& key,
                const std::string& value);
    // Files below the Windows directory or c:\ that the test creates; removed
    // when the object goes, before the saved originals come back.
    void CreateFile(const std::string& path, const std::string& bytes);
    void CreateFolder(const std::string& path);

    std::string WinIni() const { return windowsDir_ + "win.ini"; }
    std::string SystemIni() const { return windowsDir_ + "system.ini"; }
    const std::string& WindowsDir() const { return windowsDir_; }
    const std::string& SystemDir() const { return systemDir_; }

  private:
    struct SavedKey {
        HKEY root;
        std::string path;
        std::optional<RegTree> tree;
    };
    struct SavedIni {
        std::string file, section, key, value;
        bool existed;
    };
    struct SavedFile {
        std::string path, bytes;
        DWORD attributes;
    };
    std::string windowsDir_, systemDir_, userStartup_, commonStartup_;
    std::vector<SavedKey> keys_;
    std::vector<SavedIni> ini_;
    std::vector<SavedFile> files_;
    std::vector<std::string> created_; // newest last
};

} // namespace qv::test
