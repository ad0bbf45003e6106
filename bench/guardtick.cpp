// The guard's tick (one look at the run keys and the startup folders) over
// 10,000 Run values and 1,000 startup files, once with a sticky list of
// 1,000 entries kept away and once with none, in the same run. The entries
// kept away stay away (the steady state), so the figure is what the list
// costs every tick. Goal: at most 1.5x.
#include "autostart/AutostartEntry.h"
#include "autostart/StickyFile.h"
#include "model/AppModel.h"
#include "process/GuardLook.h"
#include "process/GuardWatch.h"

#include "BenchMachine.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

using qv::bench::Now;

// The best of a few ticks: the machine's other work only ever adds time.
double BestTick(qv::AppModel& model, qv::AutostartWatch& watch, int ticks, size_t& seen) {
    double best = 1e9;
    for (int i = 0; i < ticks; ++i) {
        double t0 = Now();
        qv::GuardLook look = qv::LookAtWatchedSources(model, watch);
        best = std::min(best, Now() - t0);
        seen += look.parked.size() + look.fresh.size();
    }
    return best;
}

} // namespace

int main() {
    qv::bench::ScanMachine machine;
    qv::AppModel model;
    model.AppDir = qv::MakeTempDirectory("qv6guardtick");
    ::SetCurrentDirectoryA(model.AppDir.c_str());
    qv::AutostartWatch watch;
    watch.SetBaseline(qv::ReadWatchedEntries());

    qv::StickyState sticky;
    for (int i = 0; i < 1000; ++i) {
        qv::AutostartEntry e = qv::ZeroEntry();
        e.Kind = qv::KindRegistry;
        e.RootKey.assign(qv::kRootCurrentUser);
        e.KeyPath.assign(qv::bench::ScanMachine::kRun);
        e.ValueName.assign("parked" + std::to_string(i));
        sticky.list.Keep(e);
    }

    const int kTicks = 5;
    size_t seen = 0;
    double plain = 1e9, kept = 1e9;
    // Alternated, so that a slow spell of the machine meets both.
    for (int round = 0; round < 2; ++round) {
        ::DeleteFileA(qv::StickyPath(model.AppDir).c_str());
        plain = std::min(plain, BestTick(model, watch, kTicks, seen));
        qv::SaveStickyList(model.AppDir, sticky);
        kept = std::min(kept, BestTick(model, watch, kTicks, seen));
    }
    ::DeleteFileA(qv::StickyPath(model.AppDir).c_str());
    ::SetCurrentDirectoryA("..");
    ::RemoveDirectoryA(model.AppDir.c_str());

    std::printf("Guard tick, %d Run values and %d startup files\n", qv::bench::ScanMachine::kValues,
                qv::bench::ScanMachine::kFiles);
    std::printf("  without sticky entries (baseline): %9.3f ms\n", plain * 1e3);
    std::printf("  with 1,000 sticky entries:         %9.3f ms\n", kept * 1e3);
    std::printf("  with / without: %.2fx (goal 1.5x)   %s\n", kept / plain,
                seen == 0 ? "nothing parked or announced" : "UNEXPECTED CHANGES");
    return seen == 0 ? 0 : 1;
}
