#include "autostart/Inactive.h"

#include "autostart/AutostartEntry.h"
#include "autostart/InactiveRules.h"
#include "autostart/RegistryRoot.h"
#include "base/Clock.h"
#include "base/Errors.h"
#include "base/Files.h"
#include "base/Handles.h"
#include "base/Text.h"
#include "base/IniFile.h"
#include "base/LanguageLines.h"

#include <windows.h>

#include <cstring>

namespace qv {

namespace {

InactiveFaultHooks g_faults;
// Deactivated entries that did not fit into the full ASEntries. They are not
// shown, but saving must not drop them from aseinactive.dat.
std::vector<AutostartEntry> g_unlisted;
// Set while aseinactive.dat holds records the last load could not read:
// rewriting it then would lose the only copy of those entries.
bool g_inactiveLoadFailed = false;

constexpr DWORD kClearableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                       FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

// ---- files -----------------------------------------------------------------

bool CopyOneFile(const std::string& from, const std::string& to, bool failIfExists) {
    if (g_faults.refuseCopy && g_faults.refuseCopy(from, to)) return false;
    return ::CopyFileA(from.c_str(), to.c_str(), failIfExists ? TRUE : FALSE) != 0;
}

// Deletes a file whatever its attributes; when the deletion fails the file
// keeps the attributes it had.
bool DeleteAnyFile(const std::string& path) {
    DWORD attrs = ::GetFileAttributesA(path.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES || (attrs & FILE_ATTRIBUTE_DIRECTORY)) return false;
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (::DeleteFileA(path.c_str())) return true;
    ::SetFileAttributesA(path.c_str(), attrs);
    return false;
}

// The deletions that make up a move; tests may refuse them. Rollbacks use
// DeleteAnyFile directly.
bool DeleteStepFile(const std::string& path) {
    if (g_faults.refuseDelete && g_faults.refuseDelete(path)) return false;
    return DeleteAnyFile(path);
}

// A new empty file with a unique name in the folder, to receive a copy before
// it replaces the file it is meant for.
std::optional<std::string> TempFileIn(const std::string& folder) {
    char tmp[MAX_PATH + 1] = {};
    if (!::GetTempFileNameA(folder.empty() ? "." : folder.c_str(), "qv6", 0, tmp))
        return std::nullopt;
    return std::string(tmp);
}

// Moves from over to, replacing whatever file is there, attributes or not.
bool ReplaceWith(const std::string& from, const std::string& to) {
    DWORD old = ::GetFileAttributesA(to.c_str());
    if (old != INVALID_FILE_ATTRIBUTES && !(old & FILE_ATTRIBUTE_DIRECTORY))
        ::SetFileAttributesA(to.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    if (old != INVALID_FILE_ATTRIBUTES) ::SetFileAttributesA(to.c_str(), old);
    return false;
}

// ---- the index of kept files ------------------------------------------------

// A missing index means no lines. An index that exists but cannot be read
// must not be taken for an empty one: rewriting it would drop every line.
bool LoadIndex(const std::string& appDir, std::vector<std::string>& lines) {
    lines.clear();
    const std::string path = InactiveIndexPath(appDir);
    if (!FileExists(path)) return true;
    auto bytes = ReadFileBytes(path);
    if (!bytes) return false;
    lines = SplitLines(*bytes);
    return true;
}

bool WriteIndex(const std::string& appDir, const std::vector<std::string>& lines) {
    try {
        WriteFileAtomic(InactiveIndexPath(appDir), JoinIsfLines(lines));
        return true;
    } catch (const AppError&) {
        return false;
    }
}

bool WriteIndexStep(const std::string& appDir, const std::vector<std::string>& lines) {
    if (g_faults.refuseIndexWrite && g_faults.refuseIndexWrite()) return false;
    return WriteIndex(appDir, lines);
}

// Copies the file into the folder of kept files, notes it in the index and
// then removes it. A failure at any step undoes the earlier ones.
bool TakeFileAway(const std::string& appDir, const std::string& path, bool removeSource,
                  const std::vector<std::string>& lines, std::optional<size_t> found) {
    const std::string folder = InactiveFolder(appDir);
    const DWORD attrs = ::GetFileAttributesA(path.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES || (attrs & FILE_ATTRIBUTE_DIRECTORY)) return false;

    std::string stored;
    if (found) {
        // The same path taken away again: its stored name is reused.
        stored = ParseIsfLine(lines[*found]).stored;
    } else {
        auto drawn = DrawStoredName(
            [&](const std::string& name) {
                return ::GetFileAttributesA((folder + name + ".bak").c_str()) !=
                       INVALID_FILE_ATTRIBUTES;
            },
            RandomBelow);
        if (!drawn) return false;
        stored = *drawn;
    }
    const std::string bak = folder + stored + ".bak";

    // An earlier copy under the reused name is replaced only once the new
    // copy is complete and noted.
    std::optional<std::string> staging;
    if (FileExists(bak)) {
        staging = TempFileIn(folder);
        if (!staging) return false;
        if (!CopyOneFile(path, *staging, false)) {
            DeleteAnyFile(*staging);
            return false;
        }
    } else if (!CopyOneFile(path, bak, true)) {
        return false;
    }
    const std::string copied = staging ? *staging : bak;

    std::vector<std::string> grown = lines;
    grown.push_back(FormatIsfLine(stored, path, attrs));
    if (!WriteIndexStep(appDir, grown)) {
        DeleteAnyFile(copied);
        return false;
    }
    if (staging && !ReplaceWith(*staging, bak)) {
        if (WriteIndex(appDir, lines)) DeleteAnyFile(*staging);
        return false;
    }
    if (removeSource && !DeleteStepFile(path)) {
        // The file stays in force, so it must not count as taken away: drop
        // the new line, and the new copy unless an older line still needs it.
        if (WriteIndex(appDir, lines) && !staging) DeleteAnyFile(bak);
        return false;
    }
    return true;
}

// Copies the kept file back to its former path (replacing a file there),
// drops its line from the index, restores its attributes, and only then
// deletes the kept copy.
bool BringFileBack(const std::string& appDir, bool removeSource,
                   const std::vector<std::string>& lines, std::optional<size_t> found) {
    if (!found) return false;
    const IsfLine line = ParseIsfLine(lines[*found]);
    const std::string bak = InactiveFolder(appDir) + line.stored + ".bak";
    if (!FileExists(bak)) return false;
    const std::string& former = line.former;

    auto staging = TempFileIn(ExtractFilePath(former));
    if (!staging) return false;
    if (!CopyOneFile(bak, *staging, false)) {
        DeleteAnyFile(*staging);
        return false;
    }
    std::vector<std::string> shrunk = lines;
    shrunk.erase(shrunk.begin() + static_cast<std::ptrdiff_t>(*found));
    if (!WriteIndexStep(appDir, shrunk)) {
        DeleteAnyFile(*staging);
        return false;
    }
    if (!ReplaceWith(*staging, former)) {
        DeleteAnyFile(*staging);
        WriteIndex(appDir, lines);
        return false;
    }
    if (auto attrs = ParseAttributeText(line.attributes))
        ::SetFileAttributesA(former.c_str(), *attrs);
    if (removeSource && !DeleteStepFile(bak)) {
        // The kept copy cannot go: leave the entry deactivated rather than
        // have a kept file that no line names.
        if (WriteIndex(appDir, lines)) DeleteAnyFile(former);
        return false;
    }
    return true;
}

// ---- registry and ini sources -----------------------------------------------

bool ApplyRegistry(const AutostartEntry& e, bool active) {
    const std::string name = e.ValueName.str();
    if (!active) {
        RegKey k = OpenEntryKey(e.RootKey.str(), e.KeyPath.str(), KEY_SET_VALUE, false);
        return k && ::RegDeleteValueA(k.get(), name.c_str()) == ERROR_SUCCESS;
    }
    RegKey k =
        OpenEntryKey(e.RootKey.str(), e.KeyPath.str(), KEY_SET_VALUE | KEY_QUERY_VALUE, true);
    if (!k) return false;
    // Written back as a plain string, whatever type it had before.
    const std::string data = e.ValueData.str();
    if (::RegSetValueExA(k.get(), name.c_str(), 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(data.c_str()),
                         static_cast<DWORD>(data.size() + 1)) != ERROR_SUCCESS)
        return false;
    return ::RegQueryValueExA(k.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

bool ApplyIni(const AutostartEntry& e, bool active) {
    const std::string file = e.FileName.str();
    const std::string section = e.RootKey.str();
    const std::string key = e.ValueName.str();
    const std::string data = e.ValueData.str();
    const DWORD attrs = ::GetFileAttributesA(file.c_str());
    const bool exists = attrs != INVALID_FILE_ATTRIBUTES;
    if (exists) {
        DWORD cleared = attrs & ~kClearableAttributes;
        ::SetFileAttributesA(file.c_str(), cleared ? cleared : FILE_ATTRIBUTE_NORMAL);
    }
    bool ok = active ? WriteIniKey(file, section, key, data) : DeleteIniKey(file, section, key);
    // Success is what the file says afterwards, not what the call said.
    ok = ok && IniKeyExists(file, section, key) == active;
    if (exists) ::SetFileAttributesA(file.c_str(), attrs);
    return ok;
}

bool ApplyToSource(const std::string& appDir, const AutostartEntry& e, bool active) {
    switch (e.Kind) {
    case KindRegistry:
        return ApplyRegistry(e, active);
    case KindIni:
        return ApplyIni(e, active);
    case KindFile:
        return MoveEntryFile(appDir, e.FileName.str(), !active, true);
    default:
        return false;
    }
}

} // namespace

std::string InactiveFolder(const std::string& appDir) {
    return appDir + "inactive\\";
}
std::string InactiveIndexPath(const std::string& appDir) {
    return appDir + "isf.dat";
}

void SetInactiveFaultHooks(InactiveFaultHooks hooks) {
    g_faults = std::move(hooks);
}

int LoadInactiveEntries() {
    g_unlisted.clear();
    g_inactiveLoadFailed = false;
    if (!FileExists(kInactiveEntriesFile)) return 0;
    g_inactiveLoadFailed = true;
    auto records = DecodeRecords(ReadFileBytesOrThrow(kInactiveEntriesFile));
    g_inactiveLoadFailed = false;
    for (auto& r : records) {
        AutostartEntry kept = r;
        if (AddASEntry(r, 0) < 0) {
            kept.Active = 0;
            g_unlisted.push_back(kept);
        }
    }
    return static_cast<int>(records.size());
}

void SaveInactiveEntries() {
    if (g_inactiveLoadFailed)
        throw AppError(std::string("Datei ") + kInactiveEntriesFile +
                       " konnte nicht gelesen werden und wird nicht \xFC"
                       "berschrieben");
    std::string bytes;
    for (const auto& e : ASEntries)
        if (e.Active == 0) AppendRecord(bytes, e);
    // Only a full list can have left entries out; any other list was rebuilt
    // by a scan and a load since.
    if (ASEntries.size() >= kMaxEntries)
        for (const auto& e : g_unlisted)
            AppendRecord(bytes, e);
    WriteFileAtomic(kInactiveEntriesFile, bytes);
}

bool MoveEntryFile(const std::string& appDir, const std::string& path, bool deactivate,
                   bool removeSource) {
    if (!ForceDirectories(InactiveFolder(appDir))) return false;
    std::vector<std::string> lines;
    if (!LoadIndex(appDir, lines)) return false;
    auto found = FindIsfLine(lines, path);
    return deactivate ? TakeFileAway(appDir, path, removeSource, lines, found)
                      : BringFileBack(appDir, removeSource, lines, found);
}

bool SetEntryActive(const std::string& appDir, size_t index, bool active) {
    if (index >= ASEntries.size()) return false;
    const AutostartEntry before = ASEntries[index];
    if (!ApplyToSource(appDir, before, active)) return false;
    ASEntries[index].Active = active ? 1 : 0;
    try {
        SaveInactiveEntries();
    } catch (...) {
        // Without the saved list a deactivated entry would vanish at the next
        // start: put the source back as it was.
        ASEntries[index].Active = before.Active;
        ApplyToSource(appDir, before, !active);
        throw;
    }
    return true;
}

CheckMarkOutcome OnEntryCheckMark(const std::string& appDir, size_t index, bool checked) {
    CheckMarkOutcome out;
    if (index >= ASEntries.size()) return out;
    const AutostartEntry& e = ASEntries[index];
    switch (DecideCheckMark(e.Group, e.Active, checked)) {
    case CheckMarkAction::None:
        break;
    case CheckMarkAction::RefuseShellOpen:
        out.setCheck = true;
        out.failure = Failure(Lng::Group1NotDeactivatable);
        break;
    case CheckMarkAction::Apply: {
        bool ok = false;
        try {
            ok = SetEntryActive(appDir, index, checked);
        } catch (const std::exception& ex) {
            out.setCheck = !checked;
            out.error = ex.what();
            break;
        }
        if (!ok) {
            out.setCheck = !checked;
            out.failure = Failure(Lng::CheckMarkFailed);
        }
        break;
    }
    }
    return out;
}

} // namespace qv
