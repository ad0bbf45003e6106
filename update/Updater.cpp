#include "update/Updater.h"

#include "base/Clock.h"
#include "base/Errors.h"
#include "base/Files.h"
#include "base/Handles.h"
#include "base/Text.h"
#include "update/FileList.h"
#include "update/HttpClient.h"

#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <memory>
#include <set>
#include <vector>

namespace qv {

namespace {

constexpr uint32_t kWaitStepMs = 250;
constexpr uint64_t kMaxSignatureBytes = 512;

// update.log: what this run did, one line per step.
class UpdateLog {
  public:
    explicit UpdateLog(std::string path) : path_(std::move(path)) {
        UniqueHandle f(::CreateFileA(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    }
    const std::string& Path() const { return path_; }
    void Line(const std::string& text) const {
        SYSTEMTIME t;
        ::GetLocalTime(&t);
        char stamp[32];
        std::snprintf(stamp, sizeof(stamp), "%04u-%02u-%02u %02u:%02u:%02u ", t.wYear, t.wMonth,
                      t.wDay, t.wHour, t.wMinute, t.wSecond);
        std::string line = stamp + text + "\r\n";
        UniqueHandle f(::CreateFileA(path_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                     OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!f) return; // a log that cannot be written stops no update
        DWORD put = 0;
        ::WriteFile(f.get(), line.data(), static_cast<DWORD>(line.size()), &put, nullptr);
    }

  private:
    std::string path_;
};

std::string IniValue(const std::string& ini, const char* key) {
    std::vector<char> buf(4096);
    DWORD n = ::GetPrivateProfileStringA("Update", key, "", buf.data(),
                                         static_cast<DWORD>(buf.size()), ini.c_str());
    return std::string(buf.data(), n);
}

// Removes a folder with everything in it; true when it is gone.
bool RemoveTree(const std::string& dir) {
    if (!DirectoryExists(dir)) return !FileExists(dir) || RemoveFile(dir);
    std::string base = IncludeTrailingBackslash(dir);
    WIN32_FIND_DATAA fd;
    FindHandle find(::FindFirstFileA((base + "*").c_str(), &fd));
    if (find) {
        do {
            std::string name = fd.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = base + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileA(path.c_str());
            }
        } while (::FindNextFileA(find.get(), &fd));
    }
    find.reset();
    return ::RemoveDirectoryA(dir.c_str()) || !DirectoryExists(dir);
}

uint64_t FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return UINT64_MAX;
    return (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

// A path in one spelling for comparing: long names, upper-cased.
std::string ComparablePath(const std::string& path) {
    char buf[MAX_PATH * 2];
    DWORD n = ::GetLongPathNameA(path.c_str(), buf, sizeof(buf));
    std::string p = (n > 0 && n < sizeof(buf)) ? std::string(buf, n) : path;
    return UpperAscii(p);
}

// The running processes whose executable is one of the paths (comparable
// spelling), apart from this process.
std::vector<std::string> RunningOf(const std::set<std::string>& paths) {
    std::vector<std::string> running;
    UniqueHandle snap(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snap) return running;
    PROCESSENTRY32 pe{};
    pe.dwSize = sizeof(pe);
    const DWORD self = ::GetCurrentProcessId();
    for (BOOL ok = ::Process32First(snap.get(), &pe); ok; ok = ::Process32Next(snap.get(), &pe)) {
        if (pe.th32ProcessID == self || pe.th32ProcessID == 0) continue;
        UniqueHandle p(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pe.th32ProcessID));
        if (!p) continue;
        char image[MAX_PATH * 2];
        DWORD size = sizeof(image);
        if (!::QueryFullProcessImageNameA(p.get(), 0, image, &size)) continue;
        std::string path = ComparablePath(std::string(image, size));
        if (paths.count(path)) running.push_back(image);
    }
    return running;
}

// The fixed file version of an executable's version resource, "6.2.0.0".
std::string FileVersionOf(const std::string& exe) {
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(exe.c_str(), &ignored);
    if (size == 0) return {};
    std::vector<char> data(size);
    if (!::GetFileVersionInfoA(exe.c_str(), 0, size, data.data())) return {};
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!::VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &length) || !info ||
        length < sizeof(VS_FIXEDFILEINFO))
        return {};
    return std::to_string(HIWORD(info->dwFileVersionMS)) + "." +
           std::to_string(LOWORD(info->dwFileVersionMS)) + "." +
           std::to_string(HIWORD(info->dwFileVersionLS)) + "." +
           std::to_string(LOWORD(info->dwFileVersionLS));
}

int64_t UnixNow() {
    FILETIME ft;
    ::GetSystemTimeAsFileTime(&ft);
    const uint64_t ticks = (uint64_t{ft.dwHighDateTime} << 32) | ft.dwLowDateTime;
    return static_cast<int64_t>(ticks / 10000000) - 11644473600LL;
}

bool StartProgram(const std::string& exe, const std::string& directory) {
    std::string commandLine = "\"" + exe + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          directory.c_str(), &si, &pi))
        return false;
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return true;
}

// One file on its way: where it is staged, where it goes, where the old one
// is kept, and how far the replacing got.
struct Move {
    std::string staged, target, backup;
    bool hadOld = false;
    bool oldMoved = false;
    bool newPlaced = false;
};

class Run {
  public:
    explicit Run(const UpdaterOptions& options) : options_(options) {}

    UpdaterOutcome Go() {
        // Until update.ini names the program's folder, the log lies beside it.
        log_ = std::make_unique<UpdateLog>(ExtractFilePath(options_.iniPath) + kUpdateLog);
        auto settings = ReadUpdaterSettings(options_.iniPath);
        if (!settings)
            return Fail("Die Datei " + options_.iniPath +
                        " enth\xE4lt keine vollst\xE4ndigen Update-Angaben.");
        settings_ = *settings;
        app_ = settings_.applicationPath;
        if (!DirectoryExists(app_)) return Fail("Der Programmordner " + app_ + " fehlt.");
        if (ComparablePath(log_->Path()) != ComparablePath(app_ + kUpdateLog)) {
            log_ = std::make_unique<UpdateLog>(app_ + kUpdateLog);
        }
        log_->Line("Update gestartet, Programmordner " + app_);
        staging_ = app_ + kStagingFolder + "\\";
        backup_ = app_ + kBackupFolder + "\\";
        if (DirectoryExists(backup_))
            return Fail("Ein fr\xFCheres Update wurde nicht abgeschlossen; die alten Dateien "
                        "liegen noch in " +
                        backup_ +
                        ". Bitte pr\xFC"
                        "fen und den Ordner danach l\xF6schen.");

        std::string listBytes;
        if (!Fetch(settings_.fileListUrl, kMaxFileListBytes, listBytes, "Dateiliste"))
            return outcome_;
        std::string signature;
        if (!Fetch(settings_.fileListUrl + ".sig", kMaxSignatureBytes, signature,
                   "Signatur der Dateiliste"))
            return outcome_;
        size_t key = 0;
        while (key < options_.publicKeys.size() &&
               !VerifyEcdsaP256(options_.publicKeys[key], listBytes, signature))
            ++key;
        if (key == options_.publicKeys.size())
            return Fail(
                "Die Signatur der Dateiliste ist ung\xFCltig. Es wurde nichts ge\xE4ndert.");
        log_->Line("Signatur der Dateiliste gepr\xFC"
                   "ft (Schl\xFCssel " +
                   std::to_string(key + 1) + ")");
        FileList list = ParseFileList(listBytes);
        if (!list.ok) return Fail(list.error + ". Es wurde nichts ge\xE4ndert.");
        if (!CheckVersion(list)) return outcome_;
        if (!CheckNames(list)) return outcome_;
        log_->Line("Dateiliste: " + std::to_string(list.entries.size()) + " Dateien");

        if (!Download(list)) return Cleaned();
        if (!WaitForExit(list)) return Cleaned();
        if (!Replace()) return outcome_;
        RemoveTree(staging_);
        if (!RemoveTree(backup_)) log_->Line("Alte Dateien bleiben in " + backup_);
        log_->Line(std::to_string(moves_.size()) + " Dateien ersetzt");

        if (!settings_.restartApplication.empty()) {
            if (!StartProgram(settings_.restartApplication, app_)) {
                outcome_.result = UpdaterResult::RestartFailed;
                outcome_.message = "Das Update wurde eingespielt, aber " +
                                   settings_.restartApplication + " konnte nicht gestartet werden.";
                log_->Line(outcome_.message);
                outcome_.logPath = log_->Path();
                return outcome_;
            }
            log_->Line("Gestartet: " + settings_.restartApplication);
        }
        log_->Line("Update abgeschlossen");
        outcome_.result = UpdaterResult::Updated;
        outcome_.message.clear();
        outcome_.logPath = log_->Path();
        return outcome_;
    }

  private:
    UpdaterOutcome Fail(const std::string& message,
                        UpdaterResult result = UpdaterResult::NothingChanged) {
        outcome_.result = result;
        outcome_.message = message;
        if (log_) {
            log_->Line("Fehler: " + message);
            outcome_.logPath = log_->Path();
        }
        return outcome_;
    }

    // A failure before any file of the program was touched: the staged
    // downloads go.
    UpdaterOutcome Cleaned() {
        RemoveTree(staging_);
        return outcome_;
    }

    void Configure(HttpClient& http) const {
        http.TimeOut = options_.stepTimeOutMs;
        http.Port = 0;
    }

    // The whole body of url into memory, status 200 only.
    bool Fetch(const std::string& url, uint64_t limit, std::string& out, const std::string& what) {
        try {
            HttpClient http;
            Configure(http);
            http.MaxBody = limit;
            http.Get(url);
            if (http.StatusCode() != 200) {
                Fail("Die " + what + " fehlt auf dem Server (Status " +
                     std::to_string(http.StatusCode()) + ", " + url +
                     "). Es wurde nichts ge\xE4ndert.");
                return false;
            }
            out = std::move(http.Body);
            log_->Line(what + " geladen: " + url + " (" + std::to_string(out.size()) + " Bytes)");
            return true;
        } catch (const std::exception& e) {
            Fail("Die " + what + " konnte nicht geladen werden (" + url + "): " + e.what() +
                 ". Es wurde nichts ge\xE4ndert.");
            return false;
        }
    }

    // Refuses an older or the same release (rollback), a list past its
    // expiry (freeze) and one that is not what the check announced.
    bool CheckVersion(const FileList& list) {
        const char* unchanged = ". Es wurde nichts ge\xE4ndert.";
        if (list.expires <= UnixNow()) {
            Fail("Die Dateiliste ist seit " + list.expiresText + " abgelaufen" + unchanged);
            return false;
        }
        auto announced = ParseVersion(settings_.announcedVersion);
        if (!announced || *announced != list.version) {
            Fail("Die Dateiliste bringt Version " + list.versionText +
                 ", die Update-Pr\xFC"
                 "fung hat " +
                 (announced ? "Version " + settings_.announcedVersion : std::string("keine")) +
                 " angek\xFCndigt" + unchanged);
            return false;
        }
        std::string installedText = options_.installedVersion;
        // The program's own file says which version is installed; the program
        // to restart stands in only where the folder holds no qv6.exe.
        std::string exe = app_ + "qv6.exe";
        if (installedText.empty()) installedText = FileVersionOf(exe);
        if (installedText.empty() && !settings_.restartApplication.empty()) {
            exe = settings_.restartApplication;
            installedText = FileVersionOf(exe);
        }
        auto installed = ParseVersion(installedText);
        if (!installed) {
            Fail("Die installierte Version (" + exe + ") ist nicht lesbar" + unchanged);
            return false;
        }
        if (list.version <= *installed) {
            Fail("Die Dateiliste bringt Version " + list.versionText + ", installiert ist schon " +
                 installedText + unchanged);
            return false;
        }
        log_->Line("Version " + list.versionText + " statt " + installedText + ", g\xFCltig bis " +
                   list.expiresText);
        return true;
    }

    bool CheckNames(const FileList& list) {
        const std::string self = ComparablePath(options_.selfPath);
        const std::set<std::string> reserved = {UpperAscii(kStagingFolder),
                                                UpperAscii(kBackupFolder), UpperAscii(kUpdateLog),
                                                "UPDATE.INI"};
        for (const FileListEntry& e : list.entries) {
            const std::string local = LocalName(e.name);
            const std::string first = UpperAscii(local.substr(0, local.find('\\')));
            if (reserved.count(first)) {
                Fail("Die Dateiliste nennt die Update-Datei " + e.name +
                     ". Es wurde nichts ge\xE4ndert.");
                return false;
            }
            // A running program cannot safely replace its own file; update.exe
            // comes with the program's installation instead.
            if (ComparablePath(app_ + local) == self) {
                Fail("Die Dateiliste nennt das Update-Programm selbst (" + e.name +
                     "). Es wurde nichts ge\xE4ndert.");
                return false;
            }
            if ((staging_ + local).size() >= MAX_PATH || (backup_ + local).size() >= MAX_PATH) {
                Fail("Der Pfad f\xFCr " + e.name + " ist zu lang. Es wurde nichts ge\xE4ndert.");
                return false;
            }
        }
        return true;
    }

    bool Download(const FileList& list) {
        RemoveTree(staging_);
        if (!ForceDirectories(staging_)) {
            Fail("Der Ordner " + staging_ + " kann nicht angelegt werden.");
            return false;
        }
        for (const FileListEntry& e : list.entries) {
            Move m;
            m.staged = staging_ + LocalName(e.name);
            m.target = app_ + LocalName(e.name);
            m.backup = backup_ + LocalName(e.name);
            const std::string url = settings_.downloadBaseUrl + UrlName(e.name);
            try {
                if (!ForceDirectories(ExtractFilePath(m.staged)))
                    throw AppError("Ordner f\xFCr " + m.staged + " fehlt");
                HttpClient http;
                Configure(http);
                http.InputFileMode = true;
                http.Body = m.staged;
                // One byte more than promised is enough to know it is wrong.
                http.MaxBody = e.size + 1;
                http.Get(url);
                if (http.StatusCode() != 200) {
                    Fail("Die Datei " + e.name + " fehlt auf dem Server (Status " +
                         std::to_string(http.StatusCode()) + "). Es wurde nichts ge\xE4ndert.");
                    return false;
                }
            } catch (const std::exception& ex) {
                Fail("Die Datei " + e.name + " konnte nicht geladen werden: " + ex.what() +
                     ". Es wurde nichts ge\xE4ndert.");
                return false;
            }
            auto digest = Sha256File(m.staged);
            if (FileSize(m.staged) != e.size || !digest || *digest != e.sha256) {
                Fail("Die Datei " + e.name +
                     " stimmt nicht mit der signierten Dateiliste \xFC"
                     "berein. Es wurde nichts ge\xE4ndert.");
                return false;
            }
            log_->Line("Gepr\xFC"
                       "ft: " +
                       e.name + " (" + std::to_string(e.size) + " Bytes)");
            moves_.push_back(std::move(m));
        }
        return true;
    }

    bool WaitForExit(const FileList& list) {
        std::set<std::string> watched;
        if (!settings_.restartApplication.empty())
            watched.insert(ComparablePath(settings_.restartApplication));
        for (const FileListEntry& e : list.entries)
            watched.insert(ComparablePath(app_ + LocalName(e.name)));
        std::set<std::string> told;
        for (uint32_t waited = 0;; waited += kWaitStepMs) {
            std::vector<std::string> running = RunningOf(watched);
            if (running.empty()) return true;
            for (const std::string& r : running)
                if (told.insert(r).second) log_->Line("Warte auf das Ende von " + r);
            if (waited >= options_.waitForExitMs) {
                Fail(running.front() + " l\xE4uft nach " +
                     std::to_string(options_.waitForExitMs / 1000) +
                     " Sekunden noch. Das Update wurde nicht eingespielt.");
                return false;
            }
            SleepMs(kWaitStepMs);
        }
    }

    bool Replace() {
        std::string failure;
        for (Move& m : moves_) {
            if (DirectoryExists(m.target)) {
                failure = m.target + " ist ein Ordner";
                break;
            }
            m.hadOld = FileExists(m.target);
            if (m.hadOld) {
                if (!ForceDirectories(ExtractFilePath(m.backup)) ||
                    !::MoveFileExA(m.target.c_str(), m.backup.c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
                    failure = m.target + " kann nicht beiseitegelegt werden";
                    break;
                }
                m.oldMoved = true;
            }
            if (!ForceDirectories(ExtractFilePath(m.target)) ||
                !::MoveFileExA(m.staged.c_str(), m.target.c_str(), MOVEFILE_WRITE_THROUGH)) {
                failure = m.target + " kann nicht ersetzt werden";
                break;
            }
            m.newPlaced = true;
            log_->Line("Ersetzt: " + m.target);
        }
        if (failure.empty()) return true;
        log_->Line("Fehler: " + failure +
                   "; die alten Dateien werden zur\xFC"
                   "ckgelegt");
        if (RollBack()) {
            RemoveTree(staging_);
            RemoveTree(backup_);
            Fail("Das Update konnte nicht eingespielt werden (" + failure +
                 "). Die alten Dateien sind unver\xE4ndert.");
        } else {
            Fail("Das Update konnte nicht eingespielt werden (" + failure +
                     "), und nicht alle alten Dateien lie\xDF"
                     "en sich zur\xFC"
                     "cklegen. Sie liegen in " +
                     backup_ + ".",
                 UpdaterResult::RollbackIncomplete);
        }
        return false;
    }

    bool RollBack() {
        bool complete = true;
        for (auto it = moves_.rbegin(); it != moves_.rend(); ++it) {
            Move& m = *it;
            if (m.newPlaced && !m.hadOld) {
                if (!::DeleteFileA(m.target.c_str())) complete = false;
            }
            if (m.oldMoved) {
                if (::MoveFileExA(m.backup.c_str(), m.target.c_str(),
                                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
                    log_->Line("Zur\xFC"
                               "ckgelegt: " +
                               m.target);
                else
                    complete = false;
            }
        }
        return complete;
    }

    const UpdaterOptions& options_;
    std::unique_ptr<UpdateLog> log_;
    UpdaterSettings settings_;
    std::string app_, staging_, backup_;
    std::vector<Move> moves_;
    UpdaterOutcome outcome_;
};

} // namespace

std::optional<UpdaterSettings> ReadUpdaterSettings(const std::string& iniPath) {
    if (!FileExists(iniPath)) return std::nullopt;
    UpdaterSettings s;
    s.fileListUrl = IniValue(iniPath, "FileListDeliverURL");
    s.downloadBaseUrl = IniValue(iniPath, "FileDownloadBaseURL");
    s.applicationPath = IniValue(iniPath, "ApplicationPath");
    s.restartApplication = IniValue(iniPath, "RestartApplication");
    s.announcedVersion = IniValue(iniPath, "Version");
    if (s.fileListUrl.empty() || s.downloadBaseUrl.empty() || s.applicationPath.empty())
        return std::nullopt;
    s.applicationPath = IncludeTrailingBackslash(s.applicationPath);
    return s;
}

UpdaterOutcome RunUpdater(const UpdaterOptions& options) {
    return Run(options).Go();
}

} // namespace qv
