#include "update/CheckUpdate.h"

#include "base/FileErrors.h"
#include "base/Errors.h"
#include "base/Product.h"
#include "base/Files.h"
#include "base/Handles.h"
#include "base/LanguageLines.h"
#include "base/Text.h"
#include "process/FunctionUnit.h"
#include "process/GuardInterface.h"
#include "process/ProcessTable.h"

#include <windows.h>

#include <utility>
#include <vector>

namespace qv {

namespace {

constexpr const char* kSection = "Update";

// The answer's first word from the file, read in pieces: the server may
// have sent far more than the few bytes that count.
int32_t ReadAnswerFile(const std::string& path) {
    UpdateAnswerReader reader;
    {
        UniqueHandle f(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!f) throw AppError(FileErrorText(FileOperation::Open, path));
        char buf[4096];
        for (;;) {
            DWORD got = 0;
            if (!::ReadFile(f.get(), buf, sizeof(buf), &got, nullptr))
                throw AppError(FileErrorText(FileOperation::Read, path));
            if (got == 0 || reader.Feed(std::string_view(buf, got))) break;
        }
    }
    return reader.Value();
}

// True when the file's text holds the line key=value (the key in any case,
// as an existing file may spell it).
bool HasIniLine(const std::string& text, std::string_view key, std::string_view value) {
    for (const std::string& line : SplitLines(text)) {
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        if (SameTextAscii(TrimBlanks(std::string_view(line).substr(0, eq)), key) &&
            std::string_view(line).substr(eq + 1) == value)
            return true;
    }
    return false;
}

} // namespace

UpdateAddresses MakeUpdateAddresses(std::string_view baseAddress) {
    std::string base(baseAddress);
    return {base + "update/checkforupdate.php?version=" + kVersion, base + "update/filelist.txt",
            base + "update/"};
}

void ConfigureUpdateClient(HttpClient& http, const std::string& appDir) {
    http.Body = appDir + "update.dat";
    http.InputFileMode = true;
    http.Header = "Head.txt";
    http.OutputFileMode = false;
    http.Port = 0;
    http.TimeOut = kUpdateStepTimeOutMs;
}

int32_t FetchUpdateAnswer(HttpClient& http, const std::string& appDir, std::string_view baseAddress,
                          std::string* announced) {
    const std::string path = appDir + "update.dat";
    http.Body = path;
    http.InputFileMode = true;
    http.Get(MakeUpdateAddresses(baseAddress).question);
    // A word that is no number raises here, and update.dat stays for a look.
    int32_t answer = ReadAnswerFile(path);
    if (announced) {
        // The announcement sits right after the number; a large body is not
        // read whole for it.
        auto head = ReadFileBytes(path);
        *announced = head ? AnnouncedVersion(std::string_view(*head).substr(0, 256)) : "";
    }
    RemoveFile(path);
    return answer;
}

void WriteUpdateIni(const std::string& appDir, std::string_view baseAddress,
                    const std::string& exePath, std::string_view announcedVersion) {
    const std::string path = appDir + "update.ini";
    const UpdateAddresses addresses = MakeUpdateAddresses(baseAddress);
    const std::pair<const char*, std::string> keys[] = {
        {"FileListDeliverURL", addresses.fileList},
        {"FileDownloadBaseURL", addresses.downloadBase},
        {"ApplicationPath", IncludeTrailingBackslash(appDir)},
        {"RestartApplication", exePath},
        {"Version", std::string(announcedVersion)},
    };
    const AppError failure(FileErrorText(FileOperation::WriteInto, path));
    for (const auto& [key, value] : keys)
        if (!::WritePrivateProfileStringA(kSection, key, value.c_str(), path.c_str()))
            throw failure;
    // The profile functions may keep changes in a cache: flush it, and look
    // at the file itself, which is what update.exe will read.
    ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
    auto text = ReadFileBytes(path);
    if (!text) throw failure;
    for (const auto& [key, value] : keys)
        if (!HasIniLine(*text, key, value)) throw failure;
}

bool GuardRunsIn(const std::string& appDir) {
    SystemProcessSource source;
    return TableHasGuard(CollectProcesses(source), appDir);
}

UpdateCheckResult RunUpdateCheck(HttpClient& http, const std::string& appDir,
                                 std::string_view baseAddress, const std::string& exePath,
                                 const UpdateCheckHooks& hooks) {
    UpdateCheckResult result;
    result.answer = FetchUpdateAnswer(http, appDir, baseAddress, &result.announcedVersion);
    const UpdateDecision decision = DecideUpdate(result.answer);
    switch (decision.action) {
    case UpdateAction::None:
        break;
    case UpdateAction::ShowMessage:
        hooks.show(*decision.line);
        break;
    case UpdateAction::AskForUpdate:
        if (!hooks.confirm(*decision.line)) break;
        WriteUpdateIni(appDir, baseAddress, exePath, result.announcedVersion);
        if (hooks.guardRunning ? hooks.guardRunning() : GuardRunsIn(appDir)) {
            // The guard's answer is not awaited: the updater waits for the
            // files it replaces to be free.
            if (hooks.notifyGuard)
                hooks.notifyGuard(GuardMsgStop);
            else
                NotifyGuard(GuardMsgStop);
            hooks.show(Lng::UpdateGuardStopped);
        }
        // A missing update.exe is not reported; the program ends all the same.
        if (hooks.shellOpen)
            hooks.shellOpen(appDir + "update.exe");
        else
            ShellOpen(appDir + "update.exe");
        result.endProgram = true;
        break;
    }
    return result;
}

} // namespace qv
