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

// The public key whose signature the file list must carry.
const unsigned char kPublicKeyFile[] = {
#include "UpdatePublicKey.inc"
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
    auto key = ParseEcPublicKey(
        std::string_view(reinterpret_cast<const char*>(kPublicKeyFile), sizeof(kPublicKeyFile)));
    if (!key) {
        Tell("Das Update-Programm enth\xE4lt keinen g\xFCltigen Schl\xFCssel. Es wurde nichts "
             "ge\xE4ndert.");
        return static_cast<int>(UpdaterResult::NothingChanged);
    }
    options.publicKey = *key;
    UpdaterOutcome outcome = RunUpdater(options);
    if (!outcome.message.empty()) {
        std::string text = outcome.message;
        if (!outcome.logPath.empty()) text += "\r\n\r\nEinzelheiten: " + outcome.logPath;
        Tell(text);
    }
    return static_cast<int>(outcome.result);
}
