#include "database/KnownEntries.h"

#include "app/AppContext.h"
#include "base/Errors.h"
#include "base/Files.h"
#include "base/Handles.h"
#include "ui/Dialogs.h"

#include <cstring>
#include <memory>
#include <unordered_map>

namespace qv {

namespace {

const char kFileName[] = "asedb.dat";

// The list fill asks once per shown row; with thousands of records a linear
// search per row is too slow. The index maps the identity hash to the record
// indexes with that hash, ascending, so the first match in a bucket is the
// first match of the whole array.
//
// ASEntryDB is a public array, so the index also notices changes made behind
// its back: other storage, another size, or other records at the first,
// middle and last place (an array assigned over with one of the same size
// keeps its storage). Changes to single records elsewhere must be announced
// with KnownEntriesChanged. Active takes no part in the buckets, so records
// whose Active changes in place are always answered right.
class KnownIndex {
  public:
    int Find(const AutostartEntry& entry, bool compareActive) {
        if (ASEntryDB.empty()) return -1;
        Refresh();
        auto it = buckets_.find(IdentityHash(entry));
        if (it == buckets_.end()) return -1;
        for (uint32_t i : it->second)
            if (SameAutostartPoint(ASEntryDB[i], entry, compareActive)) return static_cast<int>(i);
        return -1;
    }

    bool UpToDate() const { return Current(); }

    // After ASEntryDB.push_back on an index that was up to date: the new
    // index is the largest, so appending keeps its bucket ascending.
    void Appended() {
        uint32_t i = static_cast<uint32_t>(ASEntryDB.size() - 1);
        buckets_[IdentityHash(ASEntryDB[i])].push_back(i);
        Remember();
    }

    void Invalidate() { valid_ = false; }

  private:
    static uint64_t Sample() {
        size_t n = ASEntryDB.size();
        if (n == 0) return 0;
        return IdentityHash(ASEntryDB[0]) ^ (IdentityHash(ASEntryDB[n / 2]) * 3) ^
               (IdentityHash(ASEntryDB[n - 1]) * 5);
    }
    bool Current() const {
        return valid_ && data_ == ASEntryDB.data() && size_ == ASEntryDB.size() &&
               sample_ == Sample();
    }
    void Remember() {
        data_ = ASEntryDB.data();
        size_ = ASEntryDB.size();
        sample_ = Sample();
    }
    void Refresh() {
        if (Current()) return;
        buckets_.clear();
        buckets_.reserve(ASEntryDB.size());
        for (uint32_t i = 0; i < ASEntryDB.size(); ++i)
            buckets_[IdentityHash(ASEntryDB[i])].push_back(i);
        Remember();
        valid_ = true;
    }

    std::unordered_map<uint64_t, std::vector<uint32_t>> buckets_;
    // Which ASEntryDB the buckets describe; anything else rebuilds them.
    const AutostartEntry* data_ = nullptr;
    size_t size_ = 0;
    uint64_t sample_ = 0;
    bool valid_ = false;
};

KnownIndex& Index() {
    static KnownIndex index;
    return index;
}

// Set while the file on disk holds records that the last load could not
// read: writing ASEntryDB back then would drop them.
bool g_loadIncomplete = false;

} // namespace

int LoadKnownEntries() {
    ASEntryDB.clear();
    Index().Invalidate();
    const std::string path = AppDir + kFileName;
    g_loadIncomplete = false;
    if (!FileExists(path)) return 0;
    g_loadIncomplete = true;
    UniqueHandle f(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f)
        throw AppError("Datei " + path +
                       " kann nicht ge\xF6"
                       "ffnet werden");
    // Whole records only, read in large blocks; a fragment at the end stays
    // unread. Bytes left over at the end of a block join the next one.
    constexpr size_t kBlock = kRecordSize * 256;
    std::unique_ptr<char[]> buf(new char[kBlock]);
    size_t have = 0;
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(f.get(), buf.get() + have, static_cast<DWORD>(kBlock - have), &got,
                        nullptr))
            throw AppError("Datei " + path + " kann nicht gelesen werden");
        if (got == 0) break;
        have += got;
        size_t whole = have / kRecordSize;
        size_t old = ASEntryDB.size();
        ASEntryDB.resize(old + whole);
        std::memcpy(&ASEntryDB[old], buf.get(), whole * kRecordSize);
        have -= whole * kRecordSize;
        std::memmove(buf.get(), buf.get() + whole * kRecordSize, have);
    }
    g_loadIncomplete = false;
    return static_cast<int>(ASEntryDB.size());
}

bool SaveKnownEntries() {
    return RunGuarded([] {
        const std::string path = AppDir + kFileName;
        if (g_loadIncomplete)
            throw AppError("Datei " + path +
                           " konnte nicht vollst\xE4ndig gelesen werden und wird nicht "
                           "\xFC"
                           "berschrieben");
        WriteFileAtomic(path, EncodeRecords(ASEntryDB));
    });
}

int FindKnownEntry(const AutostartEntry& entry, bool compareActive) {
    return Index().Find(entry, compareActive);
}

int FindKnownEntryLinear(const AutostartEntry& entry, bool compareActive) {
    for (size_t i = 0; i < ASEntryDB.size(); ++i)
        if (SameAutostartPoint(ASEntryDB[i], entry, compareActive)) return static_cast<int>(i);
    return -1;
}

int AddKnownEntry(const AutostartEntry& entry) {
    bool upToDate = Index().UpToDate();
    ASEntryDB.push_back(entry);
    if (upToDate)
        Index().Appended();
    else
        Index().Invalidate();
    return static_cast<int>(ASEntryDB.size() - 1);
}

int RemoveKnownEntry(const AutostartEntry& entry) {
    int i = FindKnownEntry(entry, true);
    if (i >= 0) {
        ASEntryDB.erase(ASEntryDB.begin() + i);
        Index().Invalidate();
    }
    return static_cast<int>(ASEntryDB.size());
}

void KnownEntriesChanged() {
    Index().Invalidate();
}

} // namespace qv
