#include "database/KnownEntries.h"

#include "base/FileErrors.h"
#include "base/Errors.h"
#include "base/Files.h"
#include "base/Handles.h"

#include <cstring>
#include <memory>

namespace qv {

void KnownEntryDB::clear() {
    records_.clear();
    buckets_.clear();
    indexed_ = false;
}

void KnownEntryDB::Assign(std::vector<AutostartEntry> records) {
    records_ = std::move(records);
    buckets_.clear();
    indexed_ = false;
}

void KnownEntryDB::Rebuild() const {
    buckets_.clear();
    buckets_.reserve(records_.size());
    for (uint32_t i = 0; i < records_.size(); ++i)
        buckets_[IdentityHash(records_[i])].push_back(i);
    indexed_ = true;
}

int KnownEntryDB::Find(const AutostartEntry& entry, bool compareActive) const {
    if (records_.empty()) return -1;
    // The list fill asks once per shown row; with thousands of records a
    // linear search per row would be too slow.
    if (!indexed_) Rebuild();
    auto it = buckets_.find(IdentityHash(entry));
    if (it == buckets_.end()) return -1;
    for (uint32_t i : it->second)
        if (SameAutostartPoint(records_[i], entry, compareActive)) return static_cast<int>(i);
    return -1;
}

int KnownEntryDB::FindLinear(const AutostartEntry& entry, bool compareActive) const {
    for (size_t i = 0; i < records_.size(); ++i)
        if (SameAutostartPoint(records_[i], entry, compareActive)) return static_cast<int>(i);
    return -1;
}

int KnownEntryDB::Add(const AutostartEntry& entry) {
    records_.push_back(entry);
    const auto i = static_cast<uint32_t>(records_.size() - 1);
    // The new index is the largest, so appending keeps its bucket ascending.
    if (indexed_) buckets_[IdentityHash(entry)].push_back(i);
    return static_cast<int>(i);
}

int KnownEntryDB::Remove(const AutostartEntry& entry) {
    int i = Find(entry, true);
    if (i >= 0) {
        records_.erase(records_.begin() + i);
        indexed_ = false;
    }
    return static_cast<int>(records_.size());
}

int KnownEntryDB::Load(const std::string& path) {
    clear();
    loadIncomplete_ = false;
    if (!FileExists(path)) return 0;
    loadIncomplete_ = true;
    UniqueHandle f(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f) throw AppError(FileErrorText(FileOperation::Open, path));
    // Whole records only, read in large blocks; a fragment at the end stays
    // unread. Bytes left over at the end of a block join the next one.
    constexpr size_t kBlock = kRecordSize * 256;
    std::unique_ptr<char[]> buf(new char[kBlock]);
    size_t have = 0;
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(f.get(), buf.get() + have, static_cast<DWORD>(kBlock - have), &got,
                        nullptr))
            throw AppError(FileErrorText(FileOperation::Read, path));
        if (got == 0) break;
        have += got;
        size_t whole = have / kRecordSize;
        size_t old = records_.size();
        records_.resize(old + whole);
        std::memcpy(&records_[old], buf.get(), whole * kRecordSize);
        have -= whole * kRecordSize;
        std::memmove(buf.get(), buf.get() + whole * kRecordSize, have);
    }
    loadIncomplete_ = false;
    return static_cast<int>(records_.size());
}

void KnownEntryDB::Save(const std::string& path) const {
    if (loadIncomplete_)
        throw AppError("Datei " + path +
                       " konnte nicht vollst\xE4ndig gelesen werden und wird nicht "
                       "\xFC"
                       "berschrieben");
    WriteFileAtomic(path, EncodeRecords(records_));
}

int LoadKnownEntries(KnownEntryDB& db, const std::string& appDir) {
    return db.Load(appDir + kKnownEntriesFile);
}

void SaveKnownEntries(const KnownEntryDB& db, const std::string& appDir) {
    db.Save(appDir + kKnownEntriesFile);
}

} // namespace qv
