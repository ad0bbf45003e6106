// The update's round trip with the real update.exe, on a folder published
// by scripts/publish_update.py. tests/update/roundtrip.sh prepares it and
// names it in QV6_UPDATE_FIXTURES; without that the tests are skipped.
#include "TestHttpServer.h"
#include "base/Files.h"
#include "base/Text.h"
#include "support/TestSupport.h"
#include "update/CheckUpdate.h"
#include "update/Updater.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace qv {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

bool WaitFor(const std::function<bool()>& condition, int limitMs = 120000) {
    // Generous for a loaded machine; no measure of speed.
    for (int waited = 0; waited < limitMs && !condition(); waited += 50)
        ::Sleep(50);
    return condition();
}

void CopyTree(const std::string& from, const std::string& to) {
    ForceDirectories(to);
    WIN32_FIND_DATAA fd;
    HANDLE h = ::FindFirstFileA((from + "*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            CopyTree(from + name + "\\", to + name + "\\");
        else
            ::CopyFileA((from + name).c_str(), (to + name).c_str(), FALSE);
    } while (::FindNextFileA(h, &fd));
    ::FindClose(h);
}

struct UpdateRoundTrip : ::testing::Test {
    std::string fixtures; // ends with a backslash
    std::string bin = ExtractFilePath(ExecutablePath());
    TempDir app;

    void SetUp() override {
        const char* env = std::getenv("QV6_UPDATE_FIXTURES");
        if (!env || !*env) GTEST_SKIP() << "run by tests/update/roundtrip.sh";
        fixtures = IncludeTrailingBackslash(env);
        // Version 1 of the program, with update.exe beside it.
        ASSERT_TRUE(
            ::CopyFileA((bin + "update_probe.exe").c_str(), (app / "probe.exe").c_str(), FALSE));
        ASSERT_TRUE(::CopyFileA((bin + "update.exe").c_str(), (app / "update.exe").c_str(), FALSE));
        WriteBytes(app / "version.txt", "1");
        ForceDirectories(app / "Hilfe");
        WriteBytes(app / "Hilfe\\handbuch.html", "<html>Alte Hilfe</html>");
        WriteBytes(app / "data.bin", "old data");
        WriteBytes(app / "keep.txt", "mine");
        ::SetEnvironmentVariableA("QV6_UPDATER_SILENT", "1");
    }

    void ExpectVersion1() {
        EXPECT_EQ(ReadBytes(app / "version.txt"), "1");
        EXPECT_EQ(ReadBytes(app / "data.bin"), "old data");
        EXPECT_EQ(ReadBytes(app / "Hilfe\\handbuch.html"), "<html>Alte Hilfe</html>");
        EXPECT_FALSE(DirectoryExists(app / kStagingFolder));
        EXPECT_FALSE(DirectoryExists(app / kBackupFolder));
        EXPECT_FALSE(FileExists(app / "runs.txt"));
    }

    // update.exe started directly, as the update check starts it; its exit code.
    DWORD RunUpdateExe() {
        STARTUPINFOA si{};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi{};
        std::string cmd = "\"" + app.Path() + "update.exe\"";
        if (!::CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &si, &pi))
            return 999;
        DWORD code = 998;
        if (::WaitForSingleObject(pi.hProcess, 120000) == WAIT_OBJECT_0)
            ::GetExitCodeProcess(pi.hProcess, &code);
        else
            ::TerminateProcess(pi.hProcess, 997);
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
        return code;
    }
};

TEST_F(UpdateRoundTrip, PublishedFolderCheckUpdaterAndRestart) {
    test::TestHttpServer server(test::ServeFolder(fixtures + "server\\"));
    // The program runs; it ends once it has started the updater.
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION program{};
    std::string cmd = "\"" + app.Path() + "probe.exe\" --linger";
    ASSERT_TRUE(::CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 app.Path().c_str(), &si, &program));
    ASSERT_TRUE(WaitFor([&] { return FileExists(app / "runs.txt"); }));

    auto start = std::chrono::steady_clock::now();
    HttpClient http;
    ConfigureUpdateClient(http, app.Path());
    std::vector<int> shown;
    UpdateCheckHooks hooks;
    hooks.show = [&](Lng line) { shown.push_back(LineNumber(line)); };
    hooks.confirm = [](Lng) { return true; };
    hooks.guardRunning = [] { return false; };
    // shellOpen stays empty: update.exe is started through the shell.
    UpdateCheckResult r = RunUpdateCheck(http, app.Path(), server.Base(), app / "probe.exe", hooks);
    EXPECT_TRUE(r.endProgram);
    EXPECT_TRUE(shown.empty());
    // update.exe has checked everything and waits for the program to end.
    EXPECT_TRUE(WaitFor([&] {
        return ReadBytes(app / kUpdateLog).find("Warte auf das Ende von") != std::string::npos;
    })) << ReadBytes(app / kUpdateLog);
    EXPECT_EQ(ReadBytes(app / "version.txt"), "1");
    ::TerminateProcess(program.hProcess, 0);
    ::CloseHandle(program.hThread);
    ::CloseHandle(program.hProcess);

    ASSERT_TRUE(WaitFor([&] {
        std::string log = ReadBytes(app / kUpdateLog);
        return log.find("Update abgeschlossen") != std::string::npos ||
               log.find("Fehler") != std::string::npos;
    })) << ReadBytes(app / kUpdateLog);
    ASSERT_TRUE(
        WaitFor([&] { return ReadBytes(app / "runs.txt").find("\r\n2 ") != std::string::npos; }));
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                  std::chrono::steady_clock::now() - start)
                  .count();
    std::printf("update round trip (check, download, wait, replace, restart): %lld ms\n",
                static_cast<long long>(ms));
    RecordProperty("round_trip_ms", static_cast<int>(ms));

    const std::string log = ReadBytes(app / kUpdateLog);
    EXPECT_NE(log.find("Update abgeschlossen"), std::string::npos) << log;
    for (const char* name : {"version.txt", "data.bin", "probe.exe", "Hilfe\\handbuch.html"})
        EXPECT_EQ(ReadBytes(app / name), ReadBytes(fixtures + "v2\\" + name)) << name;
    // update.exe is not part of the update; keep.txt is not in the list.
    EXPECT_EQ(ReadBytes(app / "update.exe"), ReadBytes(bin + "update.exe"));
    EXPECT_EQ(ReadBytes(app / "keep.txt"), "mine");
    EXPECT_EQ(ReadBytes(app / "runs.txt"), "1 --linger\r\n2 \r\n");
    EXPECT_FALSE(DirectoryExists(app / kStagingFolder));
    EXPECT_FALSE(DirectoryExists(app / kBackupFolder));
    EXPECT_FALSE(FileExists(app / "update.dat"));
    // What the server was asked, in order.
    std::vector<std::string> paths = server.Paths();
    ASSERT_GE(paths.size(), 3u);
    EXPECT_EQ(paths[0], "/update/checkforupdate.php?version=6.02");
    EXPECT_EQ(paths[1], "/update/filelist.txt");
    EXPECT_EQ(paths[2], "/update/filelist.txt.sig");
    EXPECT_EQ(paths.size(), 3u + 4u);
}

TEST_F(UpdateRoundTrip, TheRealUpdaterRefusesTamperedFilesListsAndMissingSignatures) {
    // Each case announces the version its list brings, so that it is refused
    // for its own fault and not for the announcement.
    struct Case {
        const char* what;
        const char* served; // the folder roundtrip.sh prepared
        const char* announced;
        const char* says; // in update.log
        std::function<void(const std::string& update)> spoil;
    };
    auto none = [](const std::string&) {};
    const Case cases[] = {
        {"tampered file", "server", "6.03", "Die Datei data.bin",
         [](const std::string& u) {
             std::string b = ReadBytes(u + "data.bin");
             b[1000] ^= 1;
             WriteBytes(u + "data.bin", b);
         }},
        {"tampered list", "server", "6.03", "Signatur der Dateiliste ist ung",
         [](const std::string& u) {
             std::string l = ReadBytes(u + "filelist.txt");
             l.back() = ' ';
             l += "\n";
             WriteBytes(u + "filelist.txt", l);
         }},
        {"missing signature", "server", "6.03", "Signatur der Dateiliste fehlt",
         [](const std::string& u) { RemoveFile(u + "filelist.txt.sig"); }},
        {"older release replayed", "older", "6.01", "Version 6.01, installiert ist schon", none},
        {"expired list", "expired", "6.03", "seit 2020-01-01T00:00:00Z abgelaufen", none},
        {"first format", "first-format", "6.03",
         "Die Dateiliste ist ung\xFCltig (Zeile 1): altes Format", none},
        {"announced another version", "server", "6.04",
         "Die Dateiliste bringt Version 6.03, die Update-Pr\xFC"
         "fung hat Version 6.04",
         none},
    };
    for (const Case& c : cases) {
        TempDir served;
        CopyTree(fixtures + c.served + "\\", served.Path());
        c.spoil(served / "update\\");
        test::TestHttpServer server(test::ServeFolder(served.Path()));
        WriteUpdateIni(app.Path(), server.Base(), app / "probe.exe", c.announced);
        EXPECT_EQ(RunUpdateExe(), 1u) << c.what;
        ExpectVersion1();
        const std::string log = ReadBytes(app / kUpdateLog);
        EXPECT_NE(log.find("Fehler: "), std::string::npos) << c.what;
        EXPECT_NE(log.find(c.says), std::string::npos) << c.what << "\n" << log;
        RemoveFile(app / kUpdateLog);
    }
}

TEST_F(UpdateRoundTrip, AListSignedByTheOpensslCommandLineIsInstalled) {
    test::TestHttpServer server(test::ServeFolder(fixtures + "openssl\\"));
    WriteUpdateIni(app.Path(), server.Base(), app / "probe.exe", "6.03");
    EXPECT_EQ(RunUpdateExe(), 0u) << ReadBytes(app / kUpdateLog);
    for (const char* name : {"version.txt", "data.bin", "probe.exe", "Hilfe\\handbuch.html"})
        EXPECT_EQ(ReadBytes(app / name), ReadBytes(fixtures + "v2\\" + name)) << name;
    EXPECT_NE(ReadBytes(app / kUpdateLog).find("Update abgeschlossen"), std::string::npos);
}

} // namespace
} // namespace qv
