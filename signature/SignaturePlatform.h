#pragma once
// What the verifier needs from the system: a file's size and last write time
// (the cache's key) and the system's verdict on its signature. The Windows
// side, WinVerifyTrust and the catalog database, lives in
// SignaturePlatform_win.cpp. Pure code.
#include "signature/Signature.h"

#include <cstdint>
#include <optional>
#include <string>

namespace qv {

struct FileStamp {
    uint64_t size = 0;
    uint64_t lastWrite = 0; // the system's file time, as it ticks

    bool operator==(const FileStamp&) const = default;
};

class SignaturePlatform {
  public:
    virtual ~SignaturePlatform() = default;
    // The file a command line names, as Windows finds it: %variables%
    // expanded, a bare name looked for where the loader looks. The path as
    // it came when that finds nothing.
    virtual std::string Locate(const std::string& path) { return path; }
    // Nothing for a missing file or a folder.
    virtual std::optional<FileStamp> Stamp(const std::string& path) = 0;
    // The embedded signature, and where the file has none, the catalogs.
    // Never asks the network; safe to call from any thread.
    virtual SignatureVerdict Check(const std::string& path) = 0;
};

// The real system. Lives for the whole process.
SignaturePlatform& WindowsSignaturePlatform();

} // namespace qv
