#include "autostart/StickyPark.h"

#include "autostart/Inactive.h"
#include "autostart/InactiveRules.h"
#include "base/Errors.h"
#include "base/Files.h"
#include "base/Text.h"
#include "history/HistoryUndo.h"
#include "model/AppModel.h"

#include <windows.h>

#include <unordered_set>

namespace qv {

namespace {

std::optional<size_t> KeptIndex(const std::vector<AutostartEntry>& entries,
                                const std::string& place) {
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].Active == 0 && StickyPlace(entries[i]) == place) return i;
    return std::nullopt;
}

// The value or the file is still where the look found it.
bool StillAtSource(const AutostartEntry& e) {
    if (e.Kind == KindFile) return FileExists(e.FileName.str());
    return e.Kind == KindRegistry || e.Kind == KindIni;
}

struct KeptCopy {
    std::string stored;
    std::string bak;
};

// The copy the folder of kept files holds for the path, if any.
std::optional<KeptCopy> KeptCopyOf(const std::string& appDir, const std::string& path) {
    auto bytes = ReadFileBytes(InactiveIndexPath(appDir));
    if (!bytes) return std::nullopt;
    auto found = FindIsfLine(SplitLines(*bytes), path);
    if (!found) return std::nullopt;
    KeptCopy copy;
    copy.stored = ParseIsfLine(SplitLines(*bytes)[*found]).stored;
    copy.bak = InactiveFolder(appDir) + copy.stored + ".bak";
    if (!FileExists(copy.bak)) return std::nullopt;
    return copy;
}

// stored-1.bak, stored-2.bak, ...: the first name not taken.
std::string NumberedSibling(const std::string& appDir, const std::string& stored) {
    for (unsigned n = 1;; ++n) {
        std::string name = InactiveFolder(appDir) + stored + "-" + std::to_string(n) + ".bak";
        if (::GetFileAttributesA(name.c_str()) == INVALID_FILE_ATTRIBUTES) return name;
    }
}

// Taking the same path away again leaves the earlier line beside the new
// one, both naming the same copy. When that copy went to a numbered sibling
// first, the last earlier line names the sibling from now on, with the
// attributes of that version (a numbered name is no stored name, so the line
// never brings a file back); lines before it named the same copy and go.
void ReworkEarlierIndexLines(const std::string& appDir, const std::string& path,
                             const std::string& sibling) {
    auto bytes = ReadFileBytes(InactiveIndexPath(appDir));
    if (!bytes) return;
    std::vector<std::string> lines = SplitLines(*bytes);
    std::vector<size_t> matching;
    for (size_t i = 0; i < lines.size(); ++i) {
        IsfLine line = ParseIsfLine(lines[i]);
        if (line.former == path && IsStoredName(line.stored)) matching.push_back(i);
    }
    if (matching.size() < 2) return;
    size_t drop = matching.size() - 1;
    if (!sibling.empty()) {
        IsfLine earlier = ParseIsfLine(lines[matching[--drop]]);
        std::string name = ExtractFileName(sibling);
        name.resize(name.size() - 4); // ".bak"
        lines[matching[drop]] =
            FormatIsfLine(name, path, ParseAttributeText(earlier.attributes).value_or(0));
    }
    for (size_t k = drop; k-- > 0;)
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(matching[k]));
    try {
        WriteFileAtomic(InactiveIndexPath(appDir), JoinIsfLines(lines));
    } catch (const AppError&) {
        // The extra line only holds older attributes; it harms nothing.
    }
}

// The window's deactivation, on the entry at index, which shows `now` until
// it succeeds; on failure the element is put back as it was.
bool DeactivateAt(AppModel& model, size_t index, const AutostartEntry& now) {
    const AutostartEntry before = model.ASEntries[index];
    model.ASEntries[index] = now;
    model.ASEntries[index].Active = 1;
    bool ok = false;
    try {
        ok = SetEntryActive(model, index, false);
    } catch (...) {
        model.ASEntries[index] = before;
        throw;
    }
    if (!ok) model.ASEntries[index] = before;
    return ok;
}

bool ReParkFile(AppModel& model, const AutostartEntry& returned, std::optional<size_t> kept,
                ReParked& out) {
    const std::string path = returned.FileName.str();
    std::optional<KeptCopy> copy = KeptCopyOf(model.AppDir, path);
    if (kept && copy) {
        auto now = ReadFileBytes(path);
        if (now && now == ReadFileBytes(copy->bak))
            return DeleteAnyFile(path); // the copy kept is this file already
    }
    if (copy) {
        out.sibling = NumberedSibling(model.AppDir, copy->stored);
        if (!::CopyFileA(copy->bak.c_str(), out.sibling.c_str(), TRUE)) return false;
    }
    auto dropSibling = [&] {
        if (!out.sibling.empty()) DeleteAnyFile(out.sibling);
        out.sibling.clear();
    };
    // One row per path: the returned file takes the kept entry's place,
    // since the copy kept for the path will be the returned one.
    size_t index = 0;
    if (kept) {
        index = *kept;
    } else {
        AutostartEntry added = returned;
        int at = AddASEntry(model.ASEntries, added, 0);
        if (at < 0) {
            dropSibling();
            return false;
        }
        index = static_cast<size_t>(at);
    }
    bool ok = false;
    try {
        ok = DeactivateAt(model, index, returned);
    } catch (...) {
        if (!kept)
            model.ASEntries.erase(model.ASEntries.begin() + static_cast<std::ptrdiff_t>(index));
        dropSibling();
        throw;
    }
    if (!ok) {
        if (!kept)
            model.ASEntries.erase(model.ASEntries.begin() + static_cast<std::ptrdiff_t>(index));
        dropSibling();
        return false;
    }
    ReworkEarlierIndexLines(model.AppDir, path, out.sibling);
    out.bothKept = !out.sibling.empty();
    return true;
}

bool ReParkValue(AppModel& model, const AutostartEntry& returned, std::optional<size_t> kept,
                 ReParked& out) {
    // Any version kept of this place with the same data holds it already.
    bool same = false;
    const std::string place = StickyPlace(returned);
    for (const AutostartEntry& e : model.ASEntries)
        same = same || (e.Active == 0 && e.ValueData.view() == returned.ValueData.view() &&
                        StickyPlace(e) == place);
    AutostartEntry added = returned;
    int at = AddASEntry(model.ASEntries, added, 0);
    if (at < 0) return false;
    const size_t index = static_cast<size_t>(at);
    auto drop = [&] { model.ASEntries.erase(model.ASEntries.begin() + at); };
    bool ok = false;
    try {
        ok = DeactivateAt(model, index, returned);
    } catch (...) {
        drop();
        throw;
    }
    if (!ok) {
        drop();
        return false;
    }
    if (same) {
        // The data is kept already: the second record goes again.
        drop();
        SaveInactiveEntries(model);
    }
    out.bothKept = kept && !same;
    return true;
}

} // namespace

std::optional<std::string> ChangeStickyList(const std::string& appDir,
                                            const std::function<bool(StickyList&)>& change) {
    KeptFilesLock lock(appDir);
    try {
        StickyState state = LoadStickyList(appDir);
        if (!state.refused && !change(state.list)) return std::nullopt;
        SaveStickyList(appDir, state);
    } catch (const std::exception& e) {
        return std::string(e.what());
    }
    return std::nullopt;
}

std::optional<std::string> FollowEntryState(const std::string& appDir, const AutostartEntry& e,
                                            bool active) {
    return ChangeStickyList(appDir, [&](StickyList& list) {
        if (active) return list.Forget(e);
        list.Keep(e);
        return true;
    });
}

std::optional<std::string> ForgetDeletedEntry(const AppModel& model, const AutostartEntry& e) {
    if (KeptIndex(model.ASEntries, StickyPlace(e))) return std::nullopt;
    return ChangeStickyList(model.AppDir, [&](StickyList& list) { return list.Forget(e); });
}

bool StopKeepingAway(const std::string& appDir, const AutostartEntry& e) {
    bool stopped = false;
    auto error = ChangeStickyList(appDir, [&](StickyList& list) {
        auto at = list.Find(e);
        stopped = at && list.StopKeeping(*at);
        return stopped;
    });
    if (error) throw AppError(*error);
    return stopped;
}

bool IsKeptAway(const std::string& appDir, const AutostartEntry& e) {
    StickyState state = LoadStickyList(appDir);
    auto at = state.list.Find(e);
    return at && state.list.Items()[*at].keep;
}

std::vector<size_t> KeptAwayEntries(const StickyList& list,
                                    const std::vector<AutostartEntry>& current) {
    std::vector<size_t> due;
    if (list.Items().empty()) return due;
    std::unordered_set<size_t> items;
    for (size_t i = 0; i < current.size(); ++i) {
        auto at = list.Find(current[i]);
        if (at && list.Items()[*at].keep && items.insert(*at).second) due.push_back(i);
    }
    return due;
}

bool ReParkEntry(AppModel& model, const AutostartEntry& returned, ReParked& out) {
    out = ReParked();
    out.entry = returned;
    if (InGroup(returned, AutostartGroup::ShellOpen) || !StillAtSource(returned)) return false;
    std::optional<size_t> kept = KeptIndex(model.ASEntries, StickyPlace(returned));
    return returned.Kind == KindFile ? ReParkFile(model, returned, kept, out)
                                     : ReParkValue(model, returned, kept, out);
}

std::vector<ReParked> ParkReturnedEntries(AppModel& model, std::vector<AutostartEntry>& current,
                                          bool loadInactive) {
    std::vector<ReParked> done;
    KeptFilesLock lock(model.AppDir);
    StickyState state = LoadStickyList(model.AppDir);
    if (state.refused) return done;
    std::vector<size_t> due = KeptAwayEntries(state.list, current);
    if (due.empty()) return done;
    if (loadInactive) {
        model.ASEntries.clear();
        LoadInactiveEntries(model);
    }
    std::vector<bool> parked(current.size(), false);
    for (size_t i : due) {
        ReParked one;
        // The history keeps what came back, so that the user can have it
        // again; a change that did not happen records nothing.
        std::optional<ChangeRecord> change;
        try {
            change = BeginChange(model.AppDir, ChangeKind::RePark, current[i].Caption.str(),
                                 {TouchOf(current[i])});
        } catch (const std::exception&) {
            // Without a history the entry is still kept away.
        }
        bool ok = false;
        try {
            ok = ReParkEntry(model, current[i], one);
        } catch (const std::exception&) {
            // tried again at the next look
        }
        if (change) {
            if (one.bothKept) change->caption += " - " + model.LanguageTable[Lng::StickyBothKept];
            try {
                FinishChange(model.AppDir, std::move(*change));
            } catch (const std::exception&) {
            }
        }
        if (!ok) continue;
        const size_t at = *state.list.Find(current[i]);
        state.list.CountReturn(at);
        one.returns = state.list.Items()[at].returns;
        done.push_back(std::move(one));
        parked[i] = true;
    }
    if (!done.empty()) {
        try {
            SaveStickyList(model.AppDir, state);
        } catch (const std::exception&) {
            // Only the count of returns is lost.
        }
    }
    size_t kept = 0;
    for (size_t i = 0; i < current.size(); ++i)
        if (!parked[i]) current[kept++] = std::move(current[i]);
    current.resize(kept);
    return done;
}

} // namespace qv
