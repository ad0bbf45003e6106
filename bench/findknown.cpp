// FindKnownEntry over 10,000 known entries for 10,000 list rows, through the
// hash index and by the plain search from the first record, in the same run.
#include "model/AppModel.h"
#include "autostart/AutostartEntry.h"
#include "database/KnownEntries.h"

#include "BenchMachine.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using qv::bench::Now;

// Registry-like entries that share everything up to the value name, so the
// plain search really compares bytes instead of stopping at a length.
qv::AutostartEntry Make(int i) {
    qv::AutostartEntry e = qv::ZeroEntry();
    e.RootKey.assign(qv::kRootLocalMachine);
    e.KeyPath.assign("Software\\Microsoft\\Windows\\CurrentVersion\\Run");
    char name[32];
    std::snprintf(name, sizeof name, "value%05d", i);
    e.ValueName.assign(name);
    e.ValueData.assign(std::string("C:\\Programs\\") + name + ".exe /autostart");
    e.Caption.assign(name);
    e.Active = 1;
    return e;
}

} // namespace

int main() {
    // The benchmark's own model, as a program has one.
    qv::AppModel model;
    const int kKnown = 10000, kRows = 10000;
    for (int i = 0; i < kKnown; ++i)
        model.ASEntryDB.Add(Make(i * 2)); // even numbers are known
    std::vector<qv::AutostartEntry> rows;
    for (int i = 0; i < kRows; ++i)
        rows.push_back(Make(i)); // half of the rows are known

    long long sumIndex = 0, sumPlain = 0;
    double t0 = Now();
    // The first lookup builds the index: it is part of the time.
    for (const auto& r : rows)
        sumIndex += model.ASEntryDB.Find(r, false);
    double t1 = Now();
    for (const auto& r : rows)
        sumPlain += model.ASEntryDB.FindLinear(r, false);
    double t2 = Now();

    std::printf("FindKnownEntry, %d known entries, %d rows\n", kKnown, kRows);
    std::printf("  with index (build included): %9.3f ms\n", (t1 - t0) * 1e3);
    std::printf("  plain search from the first: %9.3f ms\n", (t2 - t1) * 1e3);
    std::printf("  plain / index: %.1fx   answers %s\n", (t2 - t1) / (t1 - t0),
                sumIndex == sumPlain ? "identical" : "DIFFER");
    return sumIndex == sumPlain ? 0 : 1;
}
