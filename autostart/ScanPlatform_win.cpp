// The scanner's view of the real system: registry, files, ini files, shell
// links. Everything is read through the ANSI API, like the rest of the data.
#include "autostart/ScanPlatform.h"
#include "autostart/SystemSources.h"

#include "autostart/RegistryRoot.h"
#include "base/IniFile.h"

#include "base/Files.h"
#include "base/Handles.h"
#include "base/Text.h"
#include "database/CRC.h"
#include "process/FunctionUnit.h"
#include "base/WinText.h"

#include <windows.h>

#include <algorithm>

namespace qv {

namespace {

constexpr size_t kMaxExpandText = 32 * 1024 - 1;

bool IsText(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ;
}

// Registry text as stored: up to the first NUL, or the whole data when the
// writer left the terminator out.
std::string_view TextOf(const char* data, DWORD size) {
    std::string_view s(data, size);
    size_t nul = s.find('\0');
    return nul == std::string_view::npos ? s : s.substr(0, nul);
}

class WinRegistryReader final : public RegistryReader {
  public:
    bool OpenKey(RegRoot root, std::string_view path) override {
        // The paths name the key below the root with a leading backslash;
        // RegOpenKeyEx wants them without.
        if (!path.empty() && path.front() == '\\') path.remove_prefix(1);
        path_.assign(path);
        // The native view: entries of 64-bit programs live there, also when
        // this program is built for 32 bits.
        return ::RegOpenKeyExA(RootHandle(root), path_.c_str(), 0, KEY_READ | KEY_WOW64_64KEY,
                               key_.put()) == ERROR_SUCCESS;
    }

    void CloseKey() override { key_.reset(); }

    void ForEachValue(const ValueVisitor& visit) override {
        Enumerate([&](std::string_view name, DWORD type, std::string_view bytes) {
            if (IsText(type))
                visit(name, ValueRead::Text,
                      TextOf(bytes.data(), static_cast<DWORD>(bytes.size())));
            else
                visit(name, ValueRead::OtherType, {});
        });
    }

    void ForEachRawValue(const RawValueVisitor& visit) override {
        Enumerate([&](std::string_view name, DWORD type, std::string_view bytes) {
            visit(name, type, bytes);
        });
    }

    std::vector<std::string> SubkeyNames() override {
        std::vector<std::string> names;
        if (!key_) return names;
        DWORD count = 0, maxLen = 0;
        if (::RegQueryInfoKeyA(key_.get(), nullptr, nullptr, nullptr, &count, &maxLen, nullptr,
                               nullptr, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return names;
        names.reserve(count);
        Reserve(name_, maxLen + 1);
        for (DWORD i = 0;;) {
            DWORD len = static_cast<DWORD>(name_.size());
            LONG r = ::RegEnumKeyExA(key_.get(), i, name_.data(), &len, nullptr, nullptr, nullptr,
                                     nullptr);
            if (r == ERROR_MORE_DATA && name_.size() < 4096) {
                Reserve(name_, name_.size() * 2);
                continue;
            }
            if (r != ERROR_SUCCESS) break;
            names.emplace_back(name_.data(), len);
            ++i;
        }
        return names;
    }

    ValueRead ReadText(std::string_view name, std::string& out) override {
        out.clear();
        if (!key_) return ValueRead::Absent;
        path_.assign(name); // reused as the NUL-terminated name
        for (int attempt = 0; attempt < 4; ++attempt) {
            DWORD type = 0, size = 0;
            if (::RegQueryValueExA(key_.get(), path_.c_str(), nullptr, &type, nullptr, &size) !=
                ERROR_SUCCESS)
                return ValueRead::Absent;
            if (!IsText(type)) return ValueRead::OtherType;
            Reserve(data_, size + 1u);
            size = static_cast<DWORD>(data_.size());
            LONG r = ::RegQueryValueExA(key_.get(), path_.c_str(), nullptr, &type,
                                        reinterpret_cast<BYTE*>(data_.data()), &size);
            if (r == ERROR_MORE_DATA) continue; // grew in between
            if (r != ERROR_SUCCESS) return ValueRead::Absent;
            if (!IsText(type)) return ValueRead::OtherType;
            out.assign(TextOf(data_.data(), size));
            return ValueRead::Text;
        }
        return ValueRead::Absent;
    }

  private:
    // Every value of the open key: name, type and bytes, in the system's
    // order.
    template <class Visit> void Enumerate(const Visit& visit) {
        if (!key_) return;
        DWORD maxName = 0, maxData = 0;
        if (::RegQueryInfoKeyA(key_.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, &maxName, &maxData, nullptr, nullptr) != ERROR_SUCCESS)
            return;
        Reserve(name_, maxName + 1);
        Reserve(data_, maxData + 1);
        for (DWORD i = 0;;) {
            DWORD nameLen = static_cast<DWORD>(name_.size());
            DWORD dataLen = static_cast<DWORD>(data_.size());
            DWORD type = 0;
            LONG r = ::RegEnumValueA(key_.get(), i, name_.data(), &nameLen, nullptr, &type,
                                     reinterpret_cast<BYTE*>(data_.data()), &dataLen);
            if (r == ERROR_MORE_DATA) {
                // Grown since the key was asked, or an ANSI length the key's
                // figures did not foresee: try the same value again.
                Reserve(name_, name_.size() * 2);
                Reserve(data_, std::max<size_t>(data_.size() * 2, dataLen + 1u));
                if (name_.size() > (1u << 20) || data_.size() > (64u << 20)) return;
                continue;
            }
            if (r != ERROR_SUCCESS) return;
            visit(std::string_view(name_.data(), nameLen), type,
                  std::string_view(data_.data(), dataLen));
            ++i;
        }
    }

    static void Reserve(std::string& buf, size_t size) {
        if (buf.size() < size) buf.resize(size);
    }

    RegKey key_;
    std::string path_;
    std::string name_;
    std::string data_;
};

class WinScanPlatform final : public ScanPlatform {
  public:
    std::unique_ptr<RegistryReader> CreateRegistryReader() override {
        return std::make_unique<WinRegistryReader>();
    }

    std::string WindowsDirectory() override {
        char buf[MAX_PATH + 1] = {};
        UINT n = ::GetWindowsDirectoryA(buf, MAX_PATH);
        return std::string(buf, n <= MAX_PATH ? n : 0);
    }

    std::string SystemDirectory() override {
        char buf[MAX_PATH + 1] = {};
        UINT n = ::GetSystemDirectoryA(buf, MAX_PATH);
        return std::string(buf, n <= MAX_PATH ? n : 0);
    }

    bool FileExists(const std::string& path) override { return qv::FileExists(path); }
    bool DirectoryExists(const std::string& path) override { return qv::DirectoryExists(path); }

    void ForEachDirectoryEntry(const std::string& pattern, const NameVisitor& visit) override {
        // FindFirstFile reports hidden and system entries and folders alike.
        WIN32_FIND_DATAA fd;
        FindHandle find(::FindFirstFileA(pattern.c_str(), &fd));
        if (!find) return;
        do
            visit(fd.cFileName);
        while (::FindNextFileA(find.get(), &fd));
    }

    bool ReadIniKey(const std::string& file, std::string_view section, std::string_view key,
                    std::string& value) override {
        auto found = qv::ReadIniKey(file, section, key);
        value = found.value_or(std::string());
        return found.has_value();
    }

    std::string ResolveLink(const std::string& path) override {
        return ResolveShortcut(ToWide(path));
    }

    int32_t FileChecksum(const std::string& path) override { return FileCRC32(path); }

    SystemSources* Sources() override { return &WindowsSystemSources(); }
    std::string ExpandEnvironment(std::string_view text) override {
        const std::string in(text);
        // The API takes at most 32 K characters; Wine reads past a longer
        // text and garbles or crashes. Nothing to expand needs no call.
        if (in.size() >= kMaxExpandText || in.find('%') == std::string::npos) return in;
        std::string out(in.size() + 256, '\0');
        for (int attempt = 0; attempt < 3; ++attempt) {
            DWORD n =
                ::ExpandEnvironmentStringsA(in.c_str(), out.data(), static_cast<DWORD>(out.size()));
            if (n == 0) return in;
            if (n <= out.size()) {
                out.resize(n - 1); // n counts the terminating NUL
                return out;
            }
            out.resize(n);
        }
        return in;
    }
};

} // namespace

ScanPlatform& WindowsScanPlatform() {
    static WinScanPlatform platform;
    return platform;
}

} // namespace qv
