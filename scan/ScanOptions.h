#pragma once
// qv6scan's command line, its help text and its exit codes. Pure code.
#include "scan/ScanOutput.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// The exit codes: the listing was printed; --unknown was asked and found
// entries the database does not know, or --since found entries that are new
// or changed; the program could not do its work.
inline constexpr int kExitListed = 0;
inline constexpr int kExitUnknownFound = 1;
inline constexpr int kExitError = 2;

struct ScanOptions {
    OutputFormat format = OutputFormat::Csv;
    ColumnSet columns = ColumnSet::Qv6;
    bool unknownOnly = false;
    // --verify: who signed each entry's file (the fields signer and
    // signature); off by default, because a catalog lookup reads the whole
    // file.
    bool verify = false;
    // --hide-windows: leaves out the entries whose file Windows itself
    // signed; verifies for that, but prints the fields only with --verify.
    bool hideWindows = false;
    bool help = false;
    std::optional<std::string> database; // --db FILE
    std::optional<std::string> inactive; // --inactive FILE
    std::optional<std::string> since;    // --since FILE: an earlier JSON listing
};

struct ParsedOptions {
    ScanOptions options;
    std::string error; // a one-line message in German; empty when the line is sound
};

// The arguments without the program's name. Options take their value as the
// next argument or behind an equals sign (--db=FILE). --help wins over
// everything else, also over mistakes elsewhere on the line.
ParsedOptions ParseScanOptions(const std::vector<std::string>& args);

// The text of --help (ANSI), lines ended by CR LF.
std::string ScanHelpText();

// The exit code of a listing that printed `printed` rows.
int ListingExitCode(const ScanOptions& options, size_t printed);

} // namespace qv
