#pragma once
// The update check without its window: the server's three addresses, the
// question and its answer, what the answer means, and the hand-over to
// update.exe through update.ini. The dialog supplies the application
// directory, the base address, the running executable's path and the
// dialog answers; every message it has to show comes back to it as a
// language line (Lng::...).
#include "update/HttpClient.h"
#include "update/UpdateAnswer.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace qv {

// Each network step of the check waits at most this long, so a silent
// server ends the check with the time-out message instead of hanging it.
constexpr uint32_t kUpdateStepTimeOutMs = 30000;

struct UpdateAddresses {
    std::string question;     // base + "update/checkforupdate.php?version=6.02"
    std::string fileList;     // base + "update/filelist.txt"
    std::string downloadBase; // base + "update/"
};
UpdateAddresses MakeUpdateAddresses(std::string_view baseAddress);

// The client as the check uses it: the body into appDir + "update.dat",
// the header lines kept as text, port from the URL, the time limit per step.
void ConfigureUpdateClient(HttpClient& http, const std::string& appDir);

// Asks the server and reads its answer from update.dat, which is deleted
// after a successful read and kept when its first word is no number
// (AppError "Ungültige numerische Eingabe"). Network failures raise the
// client's errors.
// The version announced after the number (AnnouncedVersion) goes to
// *announced when it is given.
int32_t FetchUpdateAnswer(HttpClient& http, const std::string& appDir, std::string_view baseAddress,
                          std::string* announced = nullptr);

// Writes the four keys of section "Update" of appDir + "update.ini", in
// order, and then "Version", the version the server announced (empty when
// it announced none: update.exe then refuses), through the private-profile
// functions: other sections and keys of an existing file stay. Throws AppError "In <path> kann
// nicht geschrieben werden" when the file cannot be written.
void WriteUpdateIni(const std::string& appDir, std::string_view baseAddress,
                    const std::string& exePath, std::string_view announcedVersion = {});

// What the check needs from the rest of the program.
struct UpdateCheckHooks {
    // A plain message box with the language line.
    std::function<void(Lng line)> show;
    // OK and Cancel with the language line; true for OK.
    std::function<bool(Lng line)> confirm;
    // Whether appDir's guard runs, and posting it a message. Empty: the
    // process table and the guard's window.
    std::function<bool()> guardRunning;
    std::function<bool(uint32_t message)> notifyGuard;
    // Starting update.exe. Empty: the shell's "open" verb.
    std::function<bool(const std::string& target)> shellOpen;
};

struct UpdateCheckResult {
    int32_t answer = 0;
    std::string announcedVersion;
    // True after an OK to line 168: update.exe has been started and the
    // program is to end once the dialog has closed.
    bool endProgram = false;
};

// The whole check, run once per dialog: ask, read the answer, tell or ask
// the user, and on OK write update.ini, stop a running guard (telling line
// 170) and start appDir + "update.exe". Raises what the request or
// update.ini raise; the dialog then stays open for the error box.
UpdateCheckResult RunUpdateCheck(HttpClient& http, const std::string& appDir,
                                 std::string_view baseAddress, const std::string& exePath,
                                 const UpdateCheckHooks& hooks);

// True when the process table lists appDir + "qvguard.exe".
bool GuardRunsIn(const std::string& appDir);

} // namespace qv
