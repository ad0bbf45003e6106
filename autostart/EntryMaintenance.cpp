#include "autostart/EntryMaintenance.h"

#include "base/FileErrors.h"
#include "autostart/Groups.h"
#include "autostart/RegistryRoot.h"
#include "base/Errors.h"
#include "base/Files.h"
#include "base/Handles.h"
#include "base/IniFile.h"
#include "base/LanguageLines.h"
#include "base/Text.h"

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
        throw AppError(FileErrorText(FileOperation::WriteValue, to));
    ::RegDeleteValueA(key, from.c_str());
}

DeleteOutcome Failed(Failure failure, bool fileHint = false) {
    DeleteOutcome out;
    out.failure = std::move(failure);
    out.fileHint = fileHint;
    return out;
}

DeleteOutcome DeleteRegistryValue(const AutostartEntry& e) {
    const std::string data = e.ValueData.str(), name = e.ValueName.str(), path = e.KeyPath.str();
    RegKey key = OpenEntryKey(e.RootKey.str(), path, KEY_SET_VALUE, false);
    if (key && ::RegDeleteValueA(key.get(), name.c_str()) == ERROR_SUCCESS)
        return {true, {}, false};
    return Failed(Failure(Lng::DeleteRegistryFailed, {data, name, path}));
}

DeleteOutcome DeleteIniKeyOf(const AutostartEntry& e) {
    const std::string name = e.ValueName.str(), section = e.RootKey.str(), file = e.FileName.str(),
                      data = e.ValueData.str();
    const uint32_t attributes = GetAttributes(file);
    SetAttributes(file, FILE_ATTRIBUTE_NORMAL);
    DeleteIniKey(file, section, name);
    const bool ok = !IniKeyExists(file, section, name);
    if (attributes != INVALID_FILE_ATTRIBUTES) SetAttributes(file, attributes);
    if (ok) return {true, {}, false};
    return Failed(Failure(Lng::DeleteIniFailed, {name, section, file, data}));
}

DeleteOutcome DeleteFileOf(const AutostartEntry& e) {
    const std::string file = e.FileName.str();
    SetAttributes(file, FILE_ATTRIBUTE_NORMAL);
    if (::DeleteFileA(file.c_str())) return {true, {}, false};
    return Failed(Failure(Lng::DeleteFileFailed, {file}), true);
}

} // namespace

void ApplyEntryEdit(const AutostartEntry& e, const std::string& newName,
                    const std::string& newValue) {
    // The form refuses these before it opens; nothing reaches the source.
    if (EditRefusalLine(e.Group)) return;
    if (e.Kind == KindRegistry) {
        RegKey key =
            OpenEntryKey(e.RootKey.str(), e.KeyPath.str(), KEY_QUERY_VALUE | KEY_SET_VALUE, false);
        if (!key) return; // the key is gone: nothing to write
        if (e.ValueName.str() != newName) RenameValue(key.get(), e.ValueName.str(), newName);
        if (::RegSetValueExA(key.get(), newName.c_str(), 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(newValue.c_str()),
                             static_cast<DWORD>(newValue.size() + 1)) != ERROR_SUCCESS)
            throw AppError(FileErrorText(FileOperation::WriteValue, newName));
    } else if (e.Kind == KindIni) {
        const std::string file = e.FileName.str();
        if (!WriteIniKey(file, e.RootKey.view(), e.ValueName.view(), newValue))
            throw AppError(FileErrorText(FileOperation::WriteInto, file));
    }
}

std::optional<LineText> DeletionQuestion(const AutostartEntry& e) {
    switch (e.Kind) {
    case KindRegistry:
        return LineText{Lng::DeleteRegistryQuestion,
                        {e.ValueData.str(), e.ValueName.str(), e.KeyPath.str()}};
    case KindIni:
        return LineText{Lng::DeleteIniQuestion,
                        {e.ValueName.str(), e.RootKey.str(), e.FileName.str(), e.ValueData.str()}};
    case KindFile:
        return LineText{Lng::DeleteFileQuestion, {e.FileName.str()}};
    default:
        return std::nullopt;
    }
}

bool IsExplorerShellLine(const AutostartEntry& e, std::string_view windowsDir) {
    return e.Kind == KindIni && SameTextAscii(e.ValueName.view(), "shell") &&
           SameTextAscii(e.RootKey.view(), "boot") &&
           SameTextAscii(e.FileName.view(), std::string(windowsDir) + "system.ini") &&
           ContainsTextAscii(e.ValueData.view(), "explorer.exe");
}

DeleteOutcome DeleteAtSource(const AutostartEntry& e) {
    if (auto refusal = EditRefusalLine(e.Group)) {
        DeleteOutcome out;
        out.failure = Failure(*refusal);
        return out;
    }
    switch (e.Kind) {
    case KindRegistry:
        return DeleteRegistryValue(e);
    case KindIni:
        return DeleteIniKeyOf(e);
    case KindFile:
        return DeleteFileOf(e);
    default:
        return {};
    }
}

} // namespace qv
