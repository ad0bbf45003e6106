#pragma once
// What update.exe does, as a library so that the tests can run it too. It
// trusts nothing it downloads: the file list must carry a valid ECDSA P-256
// signature of one of the keys built into update.exe, name a version newer
// than the installed one and the one the update check announced, and not
// have expired; every file must match the
// list's size and SHA-256 before any file of the program is touched, and
// the files are replaced all together or not at all.
//
//  1. read [Update] of update.ini (the keys the update check writes);
//  2. fetch the file list and filelist.txt.sig beside it, check the
//     signature over the list's exact bytes, read the list;
//  3. download every file into ApplicationPath\update.staging\ and check
//     its size and SHA-256;
//  4. wait (at most 30 s) until the program and every listed file are no
//     longer running;
//  5. move each old file into ApplicationPath\update.backup\ and the new
//     one into its place; on any failure put every old file back;
//  6. remove the staging and backup folders and start RestartApplication
//     in ApplicationPath.
//
// Every step goes into ApplicationPath\update.log, written anew each run.
#include "base/Crypto.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qv {

// The keys of section [Update] of update.ini.
struct UpdaterSettings {
    std::string fileListUrl;        // FileListDeliverURL
    std::string downloadBaseUrl;    // FileDownloadBaseURL
    std::string applicationPath;    // ApplicationPath, with trailing backslash
    std::string restartApplication; // RestartApplication
    std::string announcedVersion;   // Version, as the update check heard it
};
// Nothing when a key is missing or empty (RestartApplication may be empty).
std::optional<UpdaterSettings> ReadUpdaterSettings(const std::string& iniPath);

struct UpdaterOptions {
    std::string iniPath; // update.ini beside update.exe
    // The keys whose signature counts: the current one and, while keys are
    // being changed, the next one.
    std::vector<EcPublicKey> publicKeys;
    // The installed version; empty: the version resource of
    // RestartApplication (ApplicationPath\qv6.exe when that is empty).
    std::string installedVersion;
    std::string selfPath;           // update.exe itself: never replaced, never waited for
    uint32_t stepTimeOutMs = 30000; // each network step
    uint32_t waitForExitMs = 30000; // for the program to end
};

enum class UpdaterResult {
    Updated = 0,            // every file replaced and the program started
    NothingChanged = 1,     // refused or failed before or while replacing; old files in place
    RestartFailed = 2,      // files replaced, the program could not be started
    RollbackIncomplete = 3, // replacing failed and not every old file could be put back
};

struct UpdaterOutcome {
    UpdaterResult result = UpdaterResult::NothingChanged;
    std::string message; // German, for the message box; empty after a full success
    std::string logPath;
};

UpdaterOutcome RunUpdater(const UpdaterOptions& options);

// Names update.exe reserves in ApplicationPath for itself.
inline constexpr const char* kStagingFolder = "update.staging";
inline constexpr const char* kBackupFolder = "update.backup";
inline constexpr const char* kUpdateLog = "update.log";

} // namespace qv
