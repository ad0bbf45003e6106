#include "autostart/EntryMaintenance.h"

#include "app/LanguageTable.h"
#include "autostart/RegistryRoot.h"
#include "autostart/Scanner.h"
#include "base/Errors.h"
#include "base/Files.h"
#include "base/Handles.h"
#include "base/Text.h"
#include "ui/Dialogs.h"

#include <windows.h>

#include <vector>

namespace qv {

namespace {

bool ValueExists(HKEY key, const std::string& name, DWORD* size = nullptr) {
    DWORD n = 0;
    bool ok = ::RegQueryValueExA(key, name.c_str(), nullptr, nullptr, nullptr, &n) == ERROR_SUCCESS;
    if (size) *size = n;
    return ok;
}

// Moves a value with its type and data to a new name, under the rule above.
void RenameValue(HKEY key, const std::string& from, const std::string& to) {
    DWORD size = 0;
    if (!ValueExists(key, from, &size) || ValueExists(key, to) || size == 0) return;
    std::vector<BYTE> data(size);
    DWORD type = 0;
    if (::RegQueryValueExA(key, from.c_str(), nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
        return;
    if (::RegSetValueExA(key, to.c_str(), 0, type, data.data(), size) != ERROR_SUCCESS)
        throw AppError("Der Wert " + to + " kann nicht geschrieben werden");
    ::RegDeleteValueA(key, from.c_str());
}

bool IniKeyExists(const std::string& file, const std::string& section, const std::string& key) {
    // The key names of the section, NUL-separated; compared without regard to case.
    std::vector<char> buf(64 * 1024);
    DWORD n = ::GetPrivateProfileStringA(section.c_str(), nullptr, "", buf.data(),
                                         static_cast<DWORD>(buf.size()), file.c_str());
    for (size_t i = 0; i < n;) {
        std::string name(buf.data() + i);
        if (SameTextAscii(name, key)) return true;
        i += name.size() + 1;
    }
    return false;
}

bool DeleteRegistryEntry(const AutostartEntry& e) {
    const std::string data = e.ValueData.str(), name = e.ValueName.str(), path = e.KeyPath.str();
    if (!Confirm(LanguageTable.Format(11, {data, name, path}))) return true;
    RegKey key = OpenEntryKey(e.RootKey.str(), path, KEY_SET_VALUE, false);
    if (key && ::RegDeleteValueA(key.get(), name.c_str()) == ERROR_SUCCESS) return true;
    ShowMessage(LanguageTable.Format(12, {data, name, path}));
    return false;
}

bool IsExplorerShellLine(const AutostartEntry& e) {
    return SameTextAscii(e.ValueName.view(), "shell") && SameTextAscii(e.RootKey.view(), "boot") &&
           SameTextAscii(e.FileName.view(), WindowsDir + "system.ini") &&
           ContainsTextAscii(e.ValueData.view(), "explorer.exe");
}

bool DeleteIniEntry(const AutostartEntry& e) {
    const std::string name = e.ValueName.str(), section = e.RootKey.str(), file = e.FileName.str(),
                      data = e.ValueData.str();
    if (!Confirm(LanguageTable.Format(13, {name, section, file, data}))) return true;
    if (IsExplorerShellLine(e) && MessageDlg({LanguageTable[46], "Warnung", MsgKind::Warning,
                                              BtnOk | BtnCancel}) != MsgResult::Ok)
        return true;
    const uint32_t attributes = GetAttributes(file);
    SetAttributes(file, FILE_ATTRIBUTE_NORMAL);
    ::WritePrivateProfileStringA(section.c_str(), name.c_str(), nullptr, file.c_str());
    ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, file.c_str());
    bool ok = !IniKeyExists(file, section, name);
    if (attributes != INVALID_FILE_ATTRIBUTES) SetAttributes(file, attributes);
    if (!ok) ShowMessage(LanguageTable.Format(14, {name, section, file, data}));
    return ok;
}

bool DeleteFileEntry(const AutostartEntry& e) {
    const std::string file = e.FileName.str();
    if (!Confirm(LanguageTable.Format(15, {file}))) return true;
    SetAttributes(file, FILE_ATTRIBUTE_NORMAL);
    if (::DeleteFileA(file.c_str())) return true;
    ShowMessage(LanguageTable.Format(16, {file}) + "\r" + LanguageTable[17]);
    return false;
}

} // namespace

std::string SystemEntryWarning() {
    return LanguageTable[27] + "\r" + LanguageTable[28] + "\r" + LanguageTable[29];
}

void ApplyEntryEdit(const AutostartEntry& e, const std::string& newName,
                    const std::string& newValue) {
    if (e.Kind == KindRegistry) {
        RegKey key =
            OpenEntryKey(e.RootKey.str(), e.KeyPath.str(), KEY_QUERY_VALUE | KEY_SET_VALUE, false);
        if (!key) return; // the key is gone: nothing to write
        if (e.ValueName.str() != newName) RenameValue(key.get(), e.ValueName.str(), newName);
        if (::RegSetValueExA(key.get(), newName.c_str(), 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(newValue.c_str()),
                             static_cast<DWORD>(newValue.size() + 1)) != ERROR_SUCCESS)
            throw AppError("Der Wert " + newName + " kann nicht geschrieben werden");
    } else if (e.Kind == KindIni) {
        const std::string file = e.FileName.str();
        if (!::WritePrivateProfileStringA(e.RootKey.str().c_str(), e.ValueName.str().c_str(),
                                          newValue.c_str(), file.c_str()))
            throw AppError("In " + file + " kann nicht geschrieben werden");
        ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, file.c_str());
    }
}

bool DeleteEntry(const AutostartEntry& e) {
    switch (e.Kind) {
    case KindRegistry:
        return DeleteRegistryEntry(e);
    case KindIni:
        return DeleteIniEntry(e);
    case KindFile:
        return DeleteFileEntry(e);
    default:
        return true;
    }
}

} // namespace qv
