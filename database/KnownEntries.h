#pragma once
// The known-entries database: the entries the user has accepted, in memory as
// the model's ASEntryDB and on disk as its AppDir + "asedb.dat", a plain sequence of
// 1800-byte records.
#include "autostart/AutostartEntry.h"

#include <initializer_list>
#include <string>
#include <unordered_map>
#include <vector>

namespace qv {

// The records in file order, and the lookup index that goes with them. Every
// change goes through the methods, so the index can never describe other
// records than the ones held.
class KnownEntryDB {
  public:
    KnownEntryDB& operator=(std::vector<AutostartEntry> records) {
        Assign(std::move(records));
        return *this;
    }

    size_t size() const { return records_.size(); }
    bool empty() const { return records_.empty(); }
    const AutostartEntry& operator[](size_t i) const { return records_[i]; }
    const std::vector<AutostartEntry>& Records() const { return records_; }
    auto begin() const { return records_.begin(); }
    auto end() const { return records_.end(); }

    void clear();
    void Assign(std::vector<AutostartEntry> records);

    // Index of the first record matching the entry by the identity rule (with
    // Active only when asked), or -1.
    int Find(const AutostartEntry& entry, bool compareActive) const;
    // The same answer by going through the records one by one.
    int FindLinear(const AutostartEntry& entry, bool compareActive) const;
    // Appends a copy of all 1800 bytes; returns the new record's index.
    int Add(const AutostartEntry& entry);
    // Removes the first record matching with Active compared; returns the new
    // number of records.
    int Remove(const AutostartEntry& entry);

    // Replaces the records with those of the file; returns their number. A
    // missing file is an empty database; a fragment shorter than a record at
    // the end is not read. A file that cannot be opened or read throws
    // AppError, keeping the records read before the error, and from then on
    // the database refuses to be saved until a load succeeds: writing it
    // back would drop the records that could not be read.
    int Load(const std::string& path);
    // Writes the records to the file, replacing it only by a complete new
    // one. Throws AppError (and leaves the file as it was) on failure.
    void Save(const std::string& path) const;

  private:
    void Rebuild() const;

    std::vector<AutostartEntry> records_;
    // Identity hash to the indexes of the records with that hash, ascending,
    // so that the first match in a bucket is the first match of all. Built
    // when first asked after a change that is not an append.
    mutable std::unordered_map<uint64_t, std::vector<uint32_t>> buckets_;
    mutable bool indexed_ = false;
    bool loadIncomplete_ = false;
};

inline constexpr const char* kKnownEntriesFile = "asedb.dat";

// The database from and to appDir + "asedb.dat"; see KnownEntryDB.
int LoadKnownEntries(KnownEntryDB& db, const std::string& appDir);
void SaveKnownEntries(const KnownEntryDB& db, const std::string& appDir);

} // namespace qv
