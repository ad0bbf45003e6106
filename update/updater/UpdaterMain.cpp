// update.exe: started by the update check with no parameters; update.ini
// lies beside it. See update/Updater.h for what it does.
//
// Exit codes: 0 updated and restarted, 1 nothing changed, 2 updated but the
// program did not start, 3 a failed update left old files in update.backup.
// With the environment variable QV6_UPDATER_SILENT set (the tests set it),
// failures go only to update.log and the exit code, never to a message box.
#include "base/Files.h"
#include "base/Text.h"
#include "base/WinText.h"
#include "update/Updater.h"

#include <windows.h>

#include <cstdlib>

namespace {

// The public keys whose signature the file list may carry: the current one
// and, while the key is being changed, the next one (empty without).
const unsigned char kPublicKeyFile[] = {
#include "UpdatePublicKey.inc"
};
const unsigned char kNextPublicKeyFile[] = {
#include "UpdateNextPublicKey.inc"
};

void Tell(const std::string& text) {
    if (std::getenv("QV6_UPDATER_SILENT")) return;
    ::MessageBoxW(nullptr, qv::ToWide(text).c_str(), L"Quorvik 6 Update",
                  MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    using namespace qv;
    UpdaterOptions options;
    options.selfPath = ExecutablePath();
    options.iniPath = ExtractFilePath(options.selfPath) + "update.ini";
    // Each array ends with one 0 byte that is no part of the key.
    for (std::string_view file :
         {std::string_view(reinterpret_cast<const char*>(kPublicKeyFile),
                           sizeof(kPublicKeyFile) - 1),
          std::string_view(reinterpret_cast<const char*>(kNextPublicKeyFile),
                           sizeof(kNextPublicKeyFile) - 1)}) {
        if (file.empty()) continue;
        auto key = ParseEcPublicKey(file);
        if (!key) {
            Tell("Das Update-Programm enth\xE4lt einen ung\xFCltigen Schl\xFCssel. Es wurde "
                 "nichts ge\xE4ndert.");
            return static_cast<int>(UpdaterResult::NothingChanged);
        }
        options.publicKeys.push_back(*key);
    }
    UpdaterOutcome outcome = RunUpdater(options);
    if (!outcome.message.empty()) {
        std::string text = outcome.message;
        if (!outcome.logPath.empty()) text += "\r\n\r\nEinzelheiten: " + outcome.logPath;
        Tell(text);
    }
    return static_cast<int>(outcome.result);
}
