#include "autostart/Inactive.h"

#include "autostart/AutostartEntry.h"
#include "autostart/Groups.h"
#include "autostart/InactiveRules.h"
#include "autostart/RegistryRoot.h"
#include "autostart/SystemSwitch.h"
#include "autostart/StickyPark.h"
#include "base/Clock.h"
#include "base/Errors.h"
#include "base/Files.h"
#include "base/Handles.h"
#include "base/SingleInstance.h"
#include "base/Text.h"
#include "base/IniFile.h"
#include "base/LanguageLines.h"
#include "history/EntryHistory.h"
#include "model/AppModel.h"

#include <windows.h>

#include <cstring>
#include <utility>

namespace qv {

namespace {

// Where a move works: the program's folder and the faults the tests inject.
struct Place {
    const std::string& appDir;
    const InactiveFaultHooks& faults;
};

constexpr DWORD kClearableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                       FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

// ---- files -----------------------------------------------------------------

bool CopyOneFile(const Place& at, const std::string& from, const std::string& to,
                 bool failIfExists) {
    if (at.faults.refuseCopy && at.faults.refuseCopy(from, to)) return false;
    return ::CopyFileA(from.c_str(), to.c_str(), failIfExists ? TRUE : FALSE) != 0;
}

// The deletions that make up a move; tests may refuse them. Rollbacks use
// DeleteAnyFile directly.
bool DeleteStepFile(const Place& at, const std::string& path) {
    if (at.faults.refuseDelete && at.faults.refuseDelete(path)) return false;
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

bool WriteIndexStep(const Place& at, const std::vector<std::string>& lines) {
    if (at.faults.refuseIndexWrite && at.faults.refuseIndexWrite()) return false;
    return WriteIndex(at.appDir, lines);
}

// Copies the file into the folder of kept files, notes it in the index and
// then removes it. A failure at any step undoes the earlier ones.
bool TakeFileAway(const Place& at, const std::string& path, bool removeSource,
                  const std::vector<std::string>& lines, std::optional<size_t> found) {
    const std::string& appDir = at.appDir;
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
        if (!CopyOneFile(at, path, *staging, false)) {
            DeleteAnyFile(*staging);
            return false;
        }
    } else if (!CopyOneFile(at, path, bak, true)) {
        return false;
    }
    const std::string copied = staging ? *staging : bak;

    std::vector<std::string> grown = lines;
    grown.push_back(FormatIsfLine(stored, path, attrs));
    if (!WriteIndexStep(at, grown)) {
        DeleteAnyFile(copied);
        return false;
    }
    if (staging && !ReplaceWith(*staging, bak)) {
        if (WriteIndex(appDir, lines)) DeleteAnyFile(*staging);
        return false;
    }
    if (removeSource && !DeleteStepFile(at, path)) {
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
bool BringFileBack(const Place& at, bool removeSource, const std::vector<std::string>& lines,
                   std::optional<size_t> found) {
    const std::string& appDir = at.appDir;
    if (!found) return false;
    const IsfLine line = ParseIsfLine(lines[*found]);
    const std::string bak = InactiveFolder(appDir) + line.stored + ".bak";
    if (!FileExists(bak)) return false;
    const std::string& former = line.former;

    auto staging = TempFileIn(ExtractFilePath(former));
    if (!staging) return false;
    if (!CopyOneFile(at, bak, *staging, false)) {
        DeleteAnyFile(*staging);
        return false;
    }
    std::vector<std::string> shrunk = lines;
    shrunk.erase(shrunk.begin() + static_cast<std::ptrdiff_t>(*found));
    if (!WriteIndexStep(at, shrunk)) {
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
    if (removeSource && !DeleteStepFile(at, bak)) {
        // The kept copy cannot go: leave the entry deactivated rather than
        // have a kept file that no line names.
        if (WriteIndex(appDir, lines)) DeleteAnyFile(former);
        return false;
    }
    return true;
}

// ---- registry and ini sources -----------------------------------------------

Change StatusOf(LONG r) {
    if (r == ERROR_SUCCESS) return Change::Done;
    return r == ERROR_ACCESS_DENIED ? Change::Denied : Change::Failed;
}

Change ApplyRegistry(const AutostartEntry& e, bool active) {
    const std::string name = e.ValueName.str();
    LONG r = ERROR_SUCCESS;
    if (!active) {
        RegKey k = OpenEntryKey(e.RootKey.str(), e.KeyPath.str(), KEY_SET_VALUE, false, &r);
        if (!k) return StatusOf(r);
        return StatusOf(::RegDeleteValueA(k.get(), name.c_str()));
    }
    RegKey k =
        OpenEntryKey(e.RootKey.str(), e.KeyPath.str(), KEY_SET_VALUE | KEY_QUERY_VALUE, true, &r);
    if (!k) return StatusOf(r);
    // Written back as a plain string, whatever type it had before.
    const std::string data = e.ValueData.str();
    r = ::RegSetValueExA(k.get(), name.c_str(), 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(data.c_str()),
                         static_cast<DWORD>(data.size() + 1));
    if (r != ERROR_SUCCESS) return StatusOf(r);
    return ::RegQueryValueExA(k.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
                   ERROR_SUCCESS
               ? Change::Done
               : Change::Failed;
}

// ---- values that come back byte for byte ------------------------------------

std::optional<KeptValue> QueryRaw(HKEY key, const std::string& name) {
    DWORD type = 0, size = 0;
    if (::RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    std::string bytes(size, '\0');
    if (::RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()),
                           &size) != ERROR_SUCCESS)
        return std::nullopt;
    bytes.resize(size);
    KeptValue v;
    v.valueName = name;
    v.type = type;
    v.bytes = std::move(bytes);
    return v;
}

std::string KeptValuePath(const std::string& appDir, const AutostartEntry& e,
                          const std::string& name) {
    return InactiveFolder(appDir) +
           KeptValueFileName(e.RootKey.view(), RegistryPath(e.KeyPath.view()), name);
}

bool SetRaw(HKEY key, const KeptValue& v) {
    if (::RegSetValueExA(key, v.valueName.c_str(), 0, v.type,
                         reinterpret_cast<const BYTE*>(v.bytes.data()),
                         static_cast<DWORD>(v.bytes.size())) != ERROR_SUCCESS)
        return false;
    auto back = QueryRaw(key, v.valueName);
    return back && back->type == v.type && back->bytes == v.bytes;
}

// Takes the value name away from the entry's key into a kept copy of its
// type and bytes (deactivate), or writes the kept copy back and drops it. A
// value without a kept copy comes back as the record's text. With asSwitch,
// the value is not deleted but replaced by a DWORD 0: a switch.
Change KeepValue(const std::string& appDir, const AutostartEntry& e, const std::string& name,
                 bool active, bool asSwitch) {
    LONG r = ERROR_SUCCESS;
    RegKey k = OpenEntryKey(e.RootKey.str(), e.KeyPath.str(), KEY_SET_VALUE | KEY_QUERY_VALUE,
                            active && !asSwitch, &r);
    if (!k) return StatusOf(r);
    const std::string keptPath = KeptValuePath(appDir, e, name);
    if (!active) {
        auto value = QueryRaw(k.get(), name);
        if (!value) return Change::Failed;
        value->rootKey = e.RootKey.str();
        value->keyPath = RegistryPath(e.KeyPath.view());
        try {
            if (!ForceDirectories(InactiveFolder(appDir))) return Change::Failed;
            WriteFileAtomic(keptPath, EncodeKeptValue(*value));
        } catch (const AppError&) {
            return Change::Failed;
        }
        const DWORD zero = 0;
        r = asSwitch ? ::RegSetValueExA(k.get(), name.c_str(), 0, REG_DWORD,
                                        reinterpret_cast<const BYTE*>(&zero), sizeof zero)
                     : ::RegDeleteValueA(k.get(), name.c_str());
        if (r != ERROR_SUCCESS) {
            // Nothing changed at the source: no copy is kept either.
            ::DeleteFileA(keptPath.c_str());
            return StatusOf(r);
        }
        return Change::Done;
    }
    // The kept copy, or what the record knows when there is none.
    KeptValue value;
    value.valueName = name;
    if (asSwitch) {
        const DWORD one = 1;
        value.type = REG_DWORD;
        value.bytes.assign(reinterpret_cast<const char*>(&one), sizeof one);
    } else {
        value.type = REG_SZ;
        value.bytes = e.ValueData.str();
        value.bytes.push_back('\0');
    }
    if (auto bytes = ReadFileBytes(keptPath))
        if (auto kept = DecodeKeptValue(*bytes); kept && kept->valueName == name) value = *kept;
    if (!SetRaw(k.get(), value)) return Change::Failed;
    ::DeleteFileA(keptPath.c_str());
    return Change::Done;
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

Change ChangeOf(bool ok) {
    return ok ? Change::Done : Change::Failed;
}

Change ApplyToSource(const AppModel& model, const AutostartEntry& e, bool active) {
    const std::string& appDir = model.AppDir;
    // A group that is only shown is never changed, whoever asks.
    if (ReadOnlyLine(e.Group)) return Change::Failed;
    if (StateAtSource(e.Group)) {
        static constexpr std::pair<SwitchResult, Change> kChanges[] = {
            {SwitchResult::Done, Change::Done},
            {SwitchResult::Unchanged, Change::Ignored},
            {SwitchResult::AccessDenied, Change::Denied},
            {SwitchResult::Failed, Change::Failed},
        };
        const SwitchResult result = SetSystemEntryActive(WindowsSystemSources(), appDir, e, active);
        for (const auto& [r, change] : kChanges)
            if (r == result) return change;
    }
    if (e.Kind == KindRegistry && InGroup(e, AutostartGroup::ImageHijacks))
        return KeepValue(appDir, e, e.ValueName.str(), active, false);
    // The DLLs load only while the switch is on; the list stays as it is.
    if (e.Kind == KindRegistry && InGroup(e, AutostartGroup::AppInitDlls))
        return KeepValue(appDir, e, "LoadAppInit_DLLs", active, true);
    switch (e.Kind) {
    case KindRegistry:
        return ApplyRegistry(e, active);
    case KindIni:
        return ChangeOf(ApplyIni(e, active));
    case KindFile:
        return ChangeOf(MoveEntryFile(model, e.FileName.str(), !active, true));
    default:
        return Change::Failed;
    }
}

// Entries that one switch turns on and off together: the DLLs of one
// AppInit list.
bool SharesSwitch(const AutostartEntry& a, const AutostartEntry& b) {
    return InGroup(a, AutostartGroup::AppInitDlls) && InGroup(b, AutostartGroup::AppInitDlls) &&
           a.RootKey.view() == b.RootKey.view() &&
           SameTextAscii(a.KeyPath.view(), b.KeyPath.view());
}

} // namespace

std::string InactiveFolder(const std::string& appDir) {
    return appDir + "inactive\\";
}
std::string InactiveIndexPath(const std::string& appDir) {
    return appDir + "isf.dat";
}

namespace {
// Long enough for the other program to finish one park.
constexpr DWORD kLockWaitMs = 10000;
} // namespace

KeptFilesLock::KeptFilesLock(const std::string& appDir)
    : mutex_(::CreateMutexA(nullptr, FALSE,
                            ("QV6Sticky:" + InstanceMutexName(UpperAscii(appDir))).c_str())) {
    if (!mutex_) return;
    // A mutex left behind by a process that died is ours.
    const DWORD r = ::WaitForSingleObject(mutex_, kLockWaitMs);
    held_ = r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;
}

KeptFilesLock::~KeptFilesLock() {
    if (held_) ::ReleaseMutex(mutex_);
    if (mutex_) ::CloseHandle(mutex_);
}

int LoadInactiveEntries(AppModel& model) {
    InactiveState& state = model.Inactive;
    state.unlisted.clear();
    state.loadFailed = false;
    state.synced = std::string();
    if (!FileExists(kInactiveEntriesFile)) return 0;
    state.loadFailed = true;
    std::string bytes = ReadFileBytesOrThrow(kInactiveEntriesFile);
    auto records = DecodeRecords(bytes);
    state.synced = std::move(bytes);
    state.loadFailed = false;
    for (auto& r : records) {
        // A task or service keeps its state at its source, where the scan
        // finds it; a record of one is not listed twice.
        if (StateAtSource(r.Group)) continue;
        AutostartEntry kept = r;
        if (AddASEntry(model.ASEntries, r, 0) < 0) {
            kept.Active = 0;
            state.unlisted.push_back(kept);
        }
    }
    return static_cast<int>(records.size());
}

void SaveInactiveEntries(AppModel& model) {
    if (model.Inactive.loadFailed)
        throw AppError(std::string("Datei ") + kInactiveEntriesFile +
                       " konnte nicht gelesen werden und wird nicht \xFC"
                       "berschrieben");
    std::string bytes;
    for (const auto& e : model.ASEntries)
        if (e.Active == 0 && !StateAtSource(e.Group)) AppendRecord(bytes, e);
    // Only a full list can have left entries out; any other list was rebuilt
    // by a scan and a load since.
    if (model.ASEntries.size() >= kMaxEntries)
        for (const auto& e : model.Inactive.unlisted)
            AppendRecord(bytes, e);
    KeptFilesLock lock(model.AppDir);
    std::string merged = bytes;
    if (model.Inactive.synced && FileExists(kInactiveEntriesFile)) {
        auto disk = ReadFileBytes(kInactiveEntriesFile);
        // Written over unread, what another program added would be lost.
        if (!disk)
            throw AppError(std::string("Datei ") + kInactiveEntriesFile +
                           " konnte nicht gelesen werden und wird nicht \xFC"
                           "berschrieben");
        if (*disk != *model.Inactive.synced)
            merged = MergeInactiveRecords(*model.Inactive.synced, *disk, bytes);
    }
    WriteFileAtomic(kInactiveEntriesFile, merged);
    // The other's records stay foreign to this model: at its next save they
    // are on disk and still not its own, so they are kept again.
    model.Inactive.synced = std::move(bytes);
}

bool MoveEntryFile(const AppModel& model, const std::string& path, bool deactivate,
                   bool removeSource) {
    const std::string& appDir = model.AppDir;
    const Place at{appDir, model.Inactive.faults};
    if (!ForceDirectories(InactiveFolder(appDir))) return false;
    std::vector<std::string> lines;
    if (!LoadIndex(appDir, lines)) return false;
    auto found = FindIsfLine(lines, path);
    return deactivate ? TakeFileAway(at, path, removeSource, lines, found)
                      : BringFileBack(at, removeSource, lines, found);
}

Change ChangeEntryActive(AppModel& model, size_t index, bool active) {
    std::vector<AutostartEntry>& entries = model.ASEntries;
    if (index >= entries.size()) return Change::Failed;
    // The source, the kept files and the list change as one against the
    // guard, which parks returned entries through here as well.
    KeptFilesLock lock(model.AppDir);
    const AutostartEntry before = entries[index];
    if (Change c = ApplyToSource(model, before, active); c != Change::Done) return c;
    // The entry and every entry the same switch turned with it.
    std::vector<size_t> turned;
    for (size_t i = 0; i < entries.size(); ++i)
        if (i == index || (entries[i].Active == before.Active && SharesSwitch(entries[i], before)))
            turned.push_back(i);
    for (size_t i : turned)
        entries[i].Active = active ? 1 : 0;
    try {
        SaveInactiveEntries(model);
    } catch (...) {
        // Without the saved list a deactivated entry would vanish at the next
        // start: put the source back as it was.
        for (size_t i : turned)
            entries[i].Active = before.Active;
        ApplyToSource(model, before, !active);
        throw;
    }
    return Change::Done;
}

bool SetEntryActive(AppModel& model, size_t index, bool active) {
    return ChangeEntryActive(model, index, active) == Change::Done;
}

CheckMarkOutcome OnEntryCheckMark(AppModel& model, size_t index, bool checked) {
    CheckMarkOutcome out;
    if (index >= model.ASEntries.size()) return out;
    const AutostartEntry& e = model.ASEntries[index];
    switch (DecideCheckMark(e.Group, e.Active, checked)) {
    case CheckMarkAction::None:
        break;
    case CheckMarkAction::RefuseShellOpen:
        out.setCheck = true;
        out.failure = Failure(Lng::Group1NotDeactivatable);
        break;
    case CheckMarkAction::RefuseReadOnly:
        out.setCheck = !checked;
        out.failure = Failure(*ReadOnlyLine(e.Group));
        break;
    case CheckMarkAction::Apply: {
        const bool together = InGroup(e, AutostartGroup::AppInitDlls);
        Change c = Change::Failed;
        try {
            c = ChangeEntryActiveRecorded(model, index, checked);
        } catch (const std::exception& ex) {
            out.setCheck = !checked;
            out.error = ex.what();
            break;
        }
        if (c == Change::Done) {
            out.refill = together;
        } else if (c == Change::Ignored) {
            out.setCheck = !checked;
            out.failure = Failure(Lng::TaskSwitchIgnored, {e.KeyPath.str()});
        } else {
            out.setCheck = !checked;
            out.failure =
                Failure(c == Change::Denied ? Lng::NeedsAdminQuestion : Lng::CheckMarkFailed);
            out.offerElevation = c == Change::Denied;
            break;
        }
        // The entry stays deactivated until the user ticks it again, also
        // when its program writes it back meanwhile.
        out.error = FollowEntryState(model.AppDir, model.ASEntries[index], checked);
        break;
    }
    }
    return out;
}

} // namespace qv
