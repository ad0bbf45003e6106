#pragma once
// What the scanner needs from the system: a read-only registry accessor, the
// Windows directories, files, folders, ini files, shell links and checksums.
// The scanner's rules are written against this interface only; the Windows
// implementation lives in ScanPlatform_win.cpp.
#include "autostart/RootKeys.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

class SystemSources;

// How a registry value reads as text.
enum class ValueRead : uint8_t {
    Absent,   // no such value: reads as empty text
    Text,     // REG_SZ or REG_EXPAND_SZ, returned as stored (not expanded)
    OtherType // DWORD, binary, multi-string ...: not a text, not read
};

// One open key at a time, like a registry object: opening a key closes the
// one opened before. Every key is opened read-only.
class RegistryReader {
  public:
    using ValueVisitor =
        std::function<void(std::string_view name, ValueRead kind, std::string_view text)>;
    using RawValueVisitor =
        std::function<void(std::string_view name, uint32_t type, std::string_view bytes)>;

    virtual ~RegistryReader() = default;
    // path begins with a backslash and names the key below the root.
    virtual bool OpenKey(RegRoot root, std::string_view path) = 0;
    virtual void CloseKey() = 0;
    // Every value of the open key in the system's enumeration order; the
    // default value comes under the empty name when it is set. text is only
    // filled for kind Text and is valid during the call.
    virtual void ForEachValue(const ValueVisitor& visit) = 0;
    // Every value of the open key with its registry type and its bytes as
    // stored, whatever the type; valid during the call. A reader that cannot
    // tell lists nothing.
    virtual void ForEachRawValue(const RawValueVisitor& visit) { (void)visit; }
    virtual std::vector<std::string> SubkeyNames() = 0;
    // Reads one value of the open key; the empty name is the default value.
    // out is empty unless the result is Text.
    virtual ValueRead ReadText(std::string_view name, std::string& out) = 0;
};

class ScanPlatform {
  public:
    using NameVisitor = std::function<void(std::string_view name)>;

    virtual ~ScanPlatform() = default;
    virtual std::unique_ptr<RegistryReader> CreateRegistryReader() = 0;
    // Without a trailing backslash, as the system gives them.
    virtual std::string WindowsDirectory() = 0;
    virtual std::string SystemDirectory() = 0;
    // A directory never counts as a file.
    virtual bool FileExists(const std::string& path) = 0;
    virtual bool DirectoryExists(const std::string& path) = 0;
    // Every entry the pattern matches, hidden and system ones, folders, "."
    // and ".." included, in the system's order.
    virtual void ForEachDirectoryEntry(const std::string& pattern, const NameVisitor& visit) = 0;
    // True when the section of the ini file has the key (name compared without
    // regard to case; an empty value counts); value gets its text.
    virtual bool ReadIniKey(const std::string& file, std::string_view section, std::string_view key,
                            std::string& value) = 0;
    // The target path of a shell link file, or empty.
    virtual std::string ResolveLink(const std::string& path) = 0;
    // CRC-32 of the file, -1 when missing, unreadable or empty.
    virtual int32_t FileChecksum(const std::string& path) = 0;
    // The text with its %NAME% variables replaced as the system replaces
    // them; a platform that knows none gives the text as it is.
    virtual std::string ExpandEnvironment(std::string_view text) { return std::string(text); }
    // The scheduler and the Service Control Manager; a platform without
    // them (none) gives no tasks, services or drivers.
    virtual SystemSources* Sources() { return nullptr; }
};

// The real system. Lives for the whole process.
ScanPlatform& WindowsScanPlatform();

// Everything as the real system answers it; a platform that only changes
// how links or checksums are worked out derives from it and overrides those.
class ForwardingScanPlatform : public ScanPlatform {
  public:
    std::unique_ptr<RegistryReader> CreateRegistryReader() override {
        return real_.CreateRegistryReader();
    }
    std::string WindowsDirectory() override { return real_.WindowsDirectory(); }
    std::string SystemDirectory() override { return real_.SystemDirectory(); }
    bool FileExists(const std::string& path) override { return real_.FileExists(path); }
    bool DirectoryExists(const std::string& path) override { return real_.DirectoryExists(path); }
    void ForEachDirectoryEntry(const std::string& pattern, const NameVisitor& visit) override {
        real_.ForEachDirectoryEntry(pattern, visit);
    }
    bool ReadIniKey(const std::string& file, std::string_view section, std::string_view key,
                    std::string& value) override {
        return real_.ReadIniKey(file, section, key, value);
    }
    std::string ResolveLink(const std::string& path) override { return real_.ResolveLink(path); }
    int32_t FileChecksum(const std::string& path) override { return real_.FileChecksum(path); }
    std::string ExpandEnvironment(std::string_view text) override {
        return real_.ExpandEnvironment(text);
    }
    SystemSources* Sources() override { return real_.Sources(); }

  private:
    ScanPlatform& real_ = WindowsScanPlatform();
};

} // namespace qv
