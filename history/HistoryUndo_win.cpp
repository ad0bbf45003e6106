#include "history/HistoryUndo.h"

#include "autostart/RegistryRoot.h"
#include "base/Clock.h"
#include "base/Files.h"
#include "base/Handles.h"
#include "base/IniFile.h"
#include "base/Text.h"
#include "database/CRC.h"
#include "history/HistoryStore.h"

#include <windows.h>

namespace qv {

namespace {

uint64_t Join(const FILETIME& t) {
    return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}
FILETIME Split(uint64_t n) {
    return {static_cast<DWORD>(n), static_cast<DWORD>(n >> 32)};
}

ThingState RegistryState(const ChangeTouch& t) {
    ThingState s;
    RegKey key = OpenEntryKey(t.place, t.key, KEY_QUERY_VALUE, false);
    if (!key) return s;
    DWORD type = 0, size = 0;
    if (::RegQueryValueExA(key.get(), t.name.c_str(), nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS)
        return s;
    std::string bytes(size, '\0');
    if (::RegQueryValueExA(key.get(), t.name.c_str(), nullptr, &type,
                           reinterpret_cast<BYTE*>(bytes.data()), &size) != ERROR_SUCCESS)
        return s;
    bytes.resize(size);
    s.exists = true;
    s.type = type;
    s.bytes = std::move(bytes);
    return s;
}

ThingState FileState(const std::string& path, const std::string& copiesFolder) {
    ThingState s;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return s;
    s.exists = true;
    s.type = data.dwFileAttributes;
    s.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    s.created = Join(data.ftCreationTime);
    s.written = Join(data.ftLastWriteTime);
    s.crc = static_cast<uint32_t>(FileCRC32(path));
    if (!copiesFolder.empty() && ForceDirectories(copiesFolder)) {
        char name[MAX_PATH + 1] = {};
        if (::GetTempFileNameA(copiesFolder.c_str(), "qvh", 0, name) &&
            ::CopyFileA(path.c_str(), name, FALSE)) {
            ::SetFileAttributesA(name, FILE_ATTRIBUTE_NORMAL);
            s.bytes = ExtractFileName(name);
        } else if (name[0]) {
            ::DeleteFileA(name);
        }
    }
    return s;
}

bool SameThing(TouchWhat what, const ThingState& a, const ThingState& b) {
    if (a.exists != b.exists) return false;
    if (!a.exists) return true;
    if (what == TouchWhat::File) return a.size == b.size && a.crc == b.crc;
    return a.type == b.type && a.bytes == b.bytes;
}

} // namespace

ThingState CurrentState(const ChangeTouch& touch, const std::string& copiesFolder) {
    switch (touch.what) {
    case TouchWhat::RegistryValue:
        return RegistryState(touch);
    case TouchWhat::IniValue: {
        ThingState s;
        if (auto text = ReadIniKey(touch.place, touch.key, touch.name)) {
            s.exists = true;
            s.bytes = *text;
        }
        return s;
    }
    case TouchWhat::File:
        return FileState(touch.place, copiesFolder);
    case TouchWhat::Process:
    case TouchWhat::Entry:
        return {};
    }
    return {};
}

bool PutBack(const ChangeTouch& t, const std::string& appDir) {
    const ThingState& s = t.before;
    switch (t.what) {
    case TouchWhat::RegistryValue: {
        RegKey key = OpenEntryKey(t.place, t.key, KEY_SET_VALUE, s.exists);
        if (!key) return !s.exists;
        if (!s.exists) {
            const LONG r = ::RegDeleteValueA(key.get(), t.name.c_str());
            return r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND;
        }
        return ::RegSetValueExA(key.get(), t.name.c_str(), 0, s.type,
                                reinterpret_cast<const BYTE*>(s.bytes.data()),
                                static_cast<DWORD>(s.bytes.size())) == ERROR_SUCCESS;
    }
    case TouchWhat::IniValue:
        return s.exists
                   ? WriteIniKey(t.place, t.key, t.name, s.bytes)
                   : DeleteIniKey(t.place, t.key, t.name) || !IniKeyExists(t.place, t.key, t.name);
    case TouchWhat::File: {
        const DWORD old = ::GetFileAttributesA(t.place.c_str());
        if (old != INVALID_FILE_ATTRIBUTES)
            ::SetFileAttributesA(t.place.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!s.exists) return ::DeleteFileA(t.place.c_str()) != 0;
        if (s.bytes.empty()) return false;
        const std::string copy = HistoryCopiesFolder(appDir) + s.bytes;
        if (!::CopyFileA(copy.c_str(), t.place.c_str(), FALSE)) return false;
        {
            UniqueHandle f(::CreateFileA(t.place.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
            if (!f) return false;
            const FILETIME created = Split(s.created), written = Split(s.written);
            if (!::SetFileTime(f.get(), &created, nullptr, &written)) return false;
        }
        return ::SetFileAttributesA(t.place.c_str(), s.type) != 0;
    }
    case TouchWhat::Process:
        return false;
    case TouchWhat::Entry:
        return true;
    }
    return false;
}

// An entry touch carries the records its maker gave it.
void TakeBefore(ChangeTouch& touch, const std::string& appDir) {
    if (touch.what != TouchWhat::Entry)
        touch.before = CurrentState(touch, HistoryCopiesFolder(appDir));
}
void TakeAfter(ChangeTouch& touch) {
    if (touch.what != TouchWhat::Entry) touch.after = CurrentState(touch);
}

bool StillAsLeft(const ChangeTouch& touch) {
    if (touch.what == TouchWhat::Entry) return true;
    return touch.what != TouchWhat::Process &&
           SameThing(touch.what, CurrentState(touch), touch.after);
}

bool AsBefore(const ChangeTouch& touch) {
    if (touch.what == TouchWhat::Entry) return true;
    const ThingState now = CurrentState(touch);
    if (!SameThing(touch.what, now, touch.before)) return false;
    return touch.what != TouchWhat::File || !now.exists ||
           (now.type == touch.before.type && now.created == touch.before.created &&
            now.written == touch.before.written);
}

UndoOutcome CheckUndo(const ChangeRecord& record, const std::string& appDir) {
    if (!CanUndo(record)) return {UndoResult::CannotUndo, record.caption};
    for (const ChangeTouch& t : record.touches)
        if (t.what == TouchWhat::File && t.before.exists &&
            (t.before.bytes.empty() || !FileExists(HistoryCopiesFolder(appDir) + t.before.bytes)))
            return {UndoResult::CopyMissing, t.place};
    for (const ChangeTouch& t : record.touches)
        if (!StillAsLeft(t))
            return {UndoResult::ChangedSince, t.name.empty() ? t.place : t.place + "\\" + t.name};
    return {UndoResult::Undone, {}};
}

HistoryFault RecordUndo(const std::string& appDir, ChangeRecord undo) {
    HistoryLoad load = LoadHistory(appDir);
    if (load.fault != HistoryFault::None) return load.fault;
    if (undo.time.empty()) undo.time = LocalTimeText();
    undo.kind = ChangeKind::Undo;
    const uint32_t undone = undo.undoOf;
    std::vector<std::string> dropped;
    const uint32_t undoId = load.history.Append(std::move(undo), dropped);
    if (ChangeRecord* done = load.history.Find(undone)) done->undoneBy = undoId;
    WriteFileAtomic(HistoryPath(appDir), load.history.Write());
    for (const std::string& copy : dropped)
        RemoveFile(HistoryCopiesFolder(appDir) + copy);
    return HistoryFault::None;
}

UndoOutcome UndoChange(const std::string& appDir, uint32_t id) {
    HistoryLoad load = LoadHistory(appDir);
    if (load.fault != HistoryFault::None) return {UndoResult::HistoryRefused, HistoryPath(appDir)};
    const ChangeRecord* record = load.history.Find(id);
    if (!record) return {};
    UndoOutcome out = CheckUndo(*record, appDir);
    if (out.result != UndoResult::Undone) return out;

    ChangeRecord undo;
    undo.undoOf = id;
    undo.caption = record->caption;
    for (auto t = record->touches.rbegin(); t != record->touches.rend(); ++t) {
        ChangeTouch back = *t;
        back.before = CurrentState(*t, HistoryCopiesFolder(appDir));
        const bool ok = PutBack(*t, appDir);
        back.after = CurrentState(*t);
        undo.touches.push_back(std::move(back));
        if (!ok) {
            out = {UndoResult::Failed, t->place};
            break;
        }
    }
    // The undo is a change of its own, also when it stopped half-way: the
    // history then says what it did put back. Only a whole one marks the
    // record undone.
    if (out.result == UndoResult::Failed) undo.undoOf = 0;
    if (RecordUndo(appDir, std::move(undo)) != HistoryFault::None)
        return {UndoResult::HistoryRefused, HistoryPath(appDir)};
    return out;
}

} // namespace qv

namespace qv {

ChangeTouch TouchOf(const AutostartEntry& e) {
    // An ini entry keeps its section where a registry entry keeps its root.
    if (e.Kind == KindRegistry)
        return {
            TouchWhat::RegistryValue, e.RootKey.str(), e.KeyPath.str(), e.ValueName.str(), {}, {}};
    if (e.Kind == KindIni)
        return {TouchWhat::IniValue, e.FileName.str(), e.RootKey.str(), e.ValueName.str(), {}, {}};
    return {TouchWhat::File, e.FileName.str(), {}, {}, {}, {}};
}

ChangeRecord BeginChange(const std::string& appDir, ChangeKind kind, std::string caption,
                         std::vector<ChangeTouch> touches) {
    ChangeRecord r;
    r.kind = kind;
    r.caption = std::move(caption);
    r.touches = std::move(touches);
    if (appDir.empty()) return r;
    for (ChangeTouch& t : r.touches)
        TakeBefore(t, appDir);
    return r;
}

HistoryFault FinishChange(const std::string& appDir, ChangeRecord record) {
    if (appDir.empty()) return HistoryFault::None;
    // What the entry touches say is the maker's; only the things on the
    // machine tell whether anything changed.
    bool changed = false;
    for (ChangeTouch& t : record.touches) {
        if (t.what == TouchWhat::Entry) continue;
        TakeAfter(t);
        changed = changed || !SameThing(t.what, t.before, t.after) ||
                  (t.what == TouchWhat::File && t.before.exists &&
                   (t.before.type != t.after.type || t.before.written != t.after.written));
    }
    if (!changed) {
        for (const ChangeTouch& t : record.touches)
            if (t.what == TouchWhat::File && !t.before.bytes.empty())
                RemoveFile(HistoryCopiesFolder(appDir) + t.before.bytes);
        return HistoryFault::None;
    }
    return RecordChange(appDir, std::move(record));
}

} // namespace qv
