#pragma once
// qv6scan's work: the autostart scan, the deactivated entries, the
// known-entries lookup, the file digests and Windows' own switches, printed
// as rows. Reads only: nothing here writes a file or a registry value.
#include "scan/ScanOptions.h"
#include "scan/ScanOutput.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace qv {

struct ScanJobIo {
    // Takes the next piece of output (UTF-8, whole rows); false when it could
    // not be written.
    std::function<bool(std::string_view utf8)> write;
    // Takes a one-line warning (ANSI) about input that was read in part.
    std::function<void(std::string_view ansi)> warn;
    // Told when a stage of the work is done: "files" (language file,
    // database, deactivated entries), "scan" (digests and Task Manager's
    // switches included), "rows". For
    // measuring where the time goes; may be empty.
    std::function<void(std::string_view stage)> stageDone;
};

// Prints the listing the options ask for and returns the exit code
// (kExitListed or kExitUnknownFound). programDir (with a trailing backslash)
// holds qv6.lng, asedb.dat, isf.dat and the folder of kept files, as beside
// qv6.exe; aseinactive.dat is read from the working directory unless the
// options name a file. Throws AppError (a German one-line message) when a
// file it needs cannot be read or the output cannot be written.
int RunScanJob(const ScanOptions& options, const std::string& programDir, const Utf8Converter& utf8,
               const ScanJobIo& io);

// The converter for the system's ANSI code page.
std::unique_ptr<Utf8Converter> SystemUtf8Converter();

} // namespace qv
