#include "support/TestSupport.h"

#include "base/Files.h"
#include "base/Handles.h"
#include "base/LanguageLines.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qv::test {

ScriptedDialogs::ScriptedDialogs() : previous_(SetDialogHandler(this)) {}
ScriptedDialogs::~ScriptedDialogs() {
    SetDialogHandler(previous_);
}

std::vector<std::string> ScriptedDialogs::Texts() const {
    std::vector<std::string> t;
    for (const auto& m : messages_)
        t.push_back(m.text);
    return t;
}

MsgResult ScriptedDialogs::Message(const MessageRequest& request) {
    messages_.push_back(request);
    if (answers_.empty()) return (request.buttons & BtnCancel) ? MsgResult::Cancel : MsgResult::Ok;
    MsgResult r = answers_.front();
    answers_.pop_front();
    return r;
}

std::vector<std::string> ScriptedDialogs::OpenFiles(const FileDialogRequest& request) {
    fileRequests_.push_back(request);
    if (openFiles_.empty()) return {};
    auto r = std::move(openFiles_.front());
    openFiles_.pop_front();
    return r;
}

std::optional<std::string> ScriptedDialogs::SaveFile(const FileDialogRequest& request) {
    fileRequests_.push_back(request);
    if (saveFiles_.empty()) return std::nullopt;
    auto r = std::move(saveFiles_.front());
    saveFiles_.pop_front();
    return r;
}

TempDir::TempDir() : path_(MakeTempDirectory("qv6test")) {}
TempDir::~TempDir() {
    RemoveTree(path_);
}

WorkingDirectory::WorkingDirectory(const std::string& path) {
    char cwd[MAX_PATH + 1] = {};
    ::GetCurrentDirectoryA(MAX_PATH, cwd);
    old_ = cwd;
    changed_ = ::SetCurrentDirectoryA(path.c_str()) != 0;
}

WorkingDirectory::~WorkingDirectory() {
    ::SetCurrentDirectoryA(old_.c_str());
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    UniqueHandle f(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(f) << "cannot create " << path;
    DWORD put = 0;
    ASSERT_TRUE(
        ::WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr));
    ASSERT_EQ(put, bytes.size());
}

void WriteBytes(const std::string& path, const std::string& bytes, DWORD attributes) {
    // A hidden or read-only file refuses to be created anew.
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    WriteBytes(path, bytes);
    ASSERT_TRUE(::SetFileAttributesA(path.c_str(), attributes)) << path;
}

std::string Utf16(std::string_view ascii, bool bom, bool bigEndian) {
    std::string out = bom ? (bigEndian ? "\xFE\xFF" : "\xFF\xFE") : "";
    for (char c : ascii)
        out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    return out;
}

std::string ReadBytes(const std::string& path) {
    auto b = ReadFileBytes(path);
    return b ? *b : std::string("<missing>");
}

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    FindHandle find(::FindFirstFileA((folder + "*").c_str(), &fd));
    if (find) {
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(fd.cFileName);
        } while (::FindNextFileA(find.get(), &fd));
    }
    std::sort(names.begin(), names.end());
    return names;
}

void RemoveTree(const std::string& path) {
    std::string p = path;
    while (p.size() > 3 && p.back() == '\\')
        p.pop_back();
    DWORD a = ::GetFileAttributesA(p.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return;
    ::SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL | (a & FILE_ATTRIBUTE_DIRECTORY));
    if (!(a & FILE_ATTRIBUTE_DIRECTORY)) {
        ::DeleteFileA(p.c_str());
        return;
    }
    WIN32_FIND_DATAA fd;
    {
        FindHandle find(::FindFirstFileA((p + "\\*").c_str(), &fd));
        if (find) {
            do {
                std::string n = fd.cFileName;
                if (n != "." && n != "..") RemoveTree(p + "\\" + n);
            } while (::FindNextFileA(find.get(), &fd));
        }
    }
    ::RemoveDirectoryA(p.c_str());
}

void RegSetRaw(HKEY root, const std::string& key, const std::string& name, DWORD type,
               const std::string& bytes, REGSAM view) {
    RegKey k;
    ASSERT_EQ(::RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr,
                                k.put(), nullptr),
              ERROR_SUCCESS)
        << key;
    ASSERT_EQ(::RegSetValueExA(k.get(), name.empty() ? nullptr : name.c_str(), 0, type,
                               reinterpret_cast<const BYTE*>(bytes.data()),
                               static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS)
        << key << "\\" << name;
}

void RegSetString(HKEY root, const std::string& key, const std::string& name,
                  const std::string& value, DWORD type) {
    RegSetRaw(root, key, name, type, value + '\0');
}

void RegSetDword(HKEY root, const std::string& key, const std::string& name, DWORD value) {
    RegSetRaw(root, key, name, REG_DWORD, std::string(reinterpret_cast<const char*>(&value), 4));
}

void RegDeleteTree(HKEY root, const std::string& key) {
    ::RegDeleteTreeA(root, key.c_str()), ::RegDeleteKeyA(root, key.c_str());
}

bool RegRemoveValue(HKEY root, const std::string& key, const std::string& name, REGSAM view) {
    RegKey k;
    return ::RegOpenKeyExA(root, key.c_str(), 0, KEY_SET_VALUE | view, k.put()) == ERROR_SUCCESS &&
           ::RegDeleteValueA(k.get(), name.c_str()) == ERROR_SUCCESS;
}

bool RegValueExists(HKEY root, const std::string& key, const std::string& name) {
    RegKey k;
    if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, k.put()) != ERROR_SUCCESS) return false;
    return ::RegQueryValueExA(k.get(), name.empty() ? nullptr : name.c_str(), nullptr, nullptr,
                              nullptr, nullptr) == ERROR_SUCCESS;
}

std::string RegGetString(HKEY root, const std::string& key, const std::string& name) {
    RegKey k;
    if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, k.put()) != ERROR_SUCCESS)
        return "<no key>";
    char buf[4096];
    DWORD size = sizeof buf - 1, type = 0;
    if (::RegQueryValueExA(k.get(), name.empty() ? nullptr : name.c_str(), nullptr, &type,
                           reinterpret_cast<BYTE*>(buf), &size) != ERROR_SUCCESS)
        return "<no value>";
    buf[size] = 0;
    return std::string(buf);
}

std::optional<std::pair<DWORD, std::string>> RegGetRaw(HKEY root, const std::string& key,
                                                       const std::string& name) {
    RegKey k;
    if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE, k.put()) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD type = 0, size = 0;
    if (::RegQueryValueExA(k.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    std::string bytes(size, '\0');
    if (::RegQueryValueExA(k.get(), name.c_str(), nullptr, &type,
                           reinterpret_cast<BYTE*>(bytes.data()), &size) != ERROR_SUCCESS)
        return std::nullopt;
    bytes.resize(size);
    return std::make_pair(type, bytes);
}

KeyDenial::KeyDenial(HKEY root, std::string key, DWORD denied) : root_(root), key_(std::move(key)) {
    Set(denied);
}

KeyDenial::~KeyDenial() {
    Set(0);
}

void KeyDenial::Set(DWORD denied) {
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    ASSERT_TRUE(
        ::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone));
    alignas(DWORD) char buf[512];
    auto* acl = reinterpret_cast<PACL>(buf);
    ::InitializeAcl(acl, sizeof buf, ACL_REVISION);
    // A denying entry goes first: it wins over the allowing one behind it.
    if (denied) ::AddAccessDeniedAce(acl, ACL_REVISION, denied, everyone);
    ::AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS, everyone);
    SECURITY_DESCRIPTOR sd;
    ::InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
    ::SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE);
    RegKey k;
    EXPECT_EQ(::RegOpenKeyExA(root_, key_.c_str(), 0, WRITE_DAC, k.put()), ERROR_SUCCESS) << key_;
    if (k) {
        EXPECT_EQ(::RegSetKeySecurity(k.get(), DACL_SECURITY_INFORMATION, &sd), ERROR_SUCCESS);
    }
    ::FreeSid(everyone);
}

SeededServices::SeededServices()
    : scm_(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)) {}

SeededServices::~SeededServices() {
    for (SC_HANDLE s : made_) {
        ::DeleteService(s);
        ::CloseServiceHandle(s);
    }
    ::CloseServiceHandle(scm_);
}

bool SeededServices::Add(const std::string& name, const std::string& display, DWORD type,
                         DWORD start, const std::string& image) {
    std::wstring w(image.begin(), image.end());
    std::wstring n(name.begin(), name.end()), d(display.begin(), display.end());
    SC_HANDLE s = ::CreateServiceW(scm_, n.c_str(), d.c_str(), SERVICE_ALL_ACCESS, type, start,
                                   SERVICE_ERROR_IGNORE, w.c_str(), nullptr, nullptr, nullptr,
                                   nullptr, nullptr);
    if (s) made_.push_back(s);
    return s != nullptr;
}

std::string NumberedLanguageFile() {
    std::string s;
    for (int i = 0; i <= LineNumber(Lng::Last); ++i)
        s += "Zeile " + std::to_string(i) + "\r\n";
    return s;
}

} // namespace qv::test
