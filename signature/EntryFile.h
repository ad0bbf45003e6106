#pragma once
// Which file's signature speaks for an autostart entry, and whether the
// entry may be hidden as part of Windows when that file is Windows' own.
// Pure code.
#include "autostart/AutostartEntry.h"
#include "signature/Signature.h"

#include <string>

namespace qv {

struct EntryFile {
    // The file to verify as the entry names it: a file entry's file (a
    // link's target), the program of a command line, or the library a
    // loader runs. May be relative or hold %variables%: the verifier
    // locates it. Empty when the entry names none.
    std::string path;
    // The program is a script host (cmd, PowerShell, the script hosts,
    // mshta): Windows signed the host, not the script it is told to run.
    bool scriptHost = false;
};

EntryFile EntryFileOf(const AutostartEntry& e);

// What the hide switch asks of a row: Windows itself signed the file that
// runs, and no script runs through it.
bool IsWindowsEntry(const EntryFile& file, const SignatureVerdict& verdict);

} // namespace qv
