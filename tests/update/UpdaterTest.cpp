// The updater's steps run in the test program against a folder served on
// 127.0.0.1: a signed list and checked files replace the program's files
// all together; anything wrong leaves them as they were.
#include "TestHttpServer.h"
#include "TestSigning.h"
#include "base/Clock.h"
#include "base/Files.h"
#include "base/Text.h"
#include "support/TestSupport.h"
#include "update/FileList.h"
#include "update/Updater.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <map>

namespace qv {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

bool WaitFor(const std::function<bool()>& condition) {
    // Generous for a slow machine; no measure of speed.
    for (int i = 0; i < 400 && !condition(); ++i)
        ::Sleep(50);
    return condition();
}

std::string ProbeExe() {
    return ExtractFilePath(ExecutablePath()) + "update_probe.exe";
}

struct UpdaterFixture : ::testing::Test {
    TempDir app;    // the program's folder, where update.exe lies too
    TempDir served; // the web server's folder
    test::TestHttpServer server{test::ServeFolder(served.Path())};
    std::map<std::string, std::string> offered; // name -> bytes, as published
    std::string announced = "6.03";             // by the update check
    std::string version = "6.03";               // in the list; probe.exe is 6.02
    std::string expires = "2099-12-31T23:59:59Z";
    std::vector<EcPublicKey> keys = {test::TestUpdateKey()};

    UpdaterFixture() {
        ForceDirectories(served / "update");
        // The program as installed.
        WriteBytes(app / "a.txt", "old a");
        WriteBytes(app / "keep.txt", "not in the list");
        ::CopyFileA(ProbeExe().c_str(), (app / "probe.exe").c_str(), FALSE);
        WriteBytes(app / "version.txt", "1");
        // update.ini as the update check writes it.
        WriteIni(app / "probe.exe");
        // The new version.
        offered = {{"a.txt", "new a"}, {"version.txt", "2"}, {"sub/b.txt", "new file b"}};
    }

    void WriteIni(const std::string& restart) {
        const std::string ini = app / "update.ini";
        ::WritePrivateProfileStringA("Update", "FileListDeliverURL",
                                     (server.Base() + "update/filelist.txt").c_str(), ini.c_str());
        ::WritePrivateProfileStringA("Update", "FileDownloadBaseURL",
                                     (server.Base() + "update/").c_str(), ini.c_str());
        ::WritePrivateProfileStringA("Update", "ApplicationPath", app.Path().c_str(), ini.c_str());
        ::WritePrivateProfileStringA("Update", "RestartApplication", restart.c_str(), ini.c_str());
        ::WritePrivateProfileStringA("Update", "Version", announced.c_str(), ini.c_str());
        ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());
    }

    // The list of what is offered, its signature, and the files themselves.
    std::string Publish() {
        std::vector<FileListEntry> entries;
        for (const auto& [name, bytes] : offered) {
            entries.push_back({name, bytes.size(), Sha256(bytes)});
            ForceDirectories(ExtractFilePath(served / ("update\\" + LocalName(name))));
            WriteBytes(served / ("update\\" + LocalName(name)), bytes);
        }
        std::string list = FormatFileList(version, expires, entries);
        PublishList(list);
        return list;
    }
    void PublishList(const std::string& list) {
        WriteBytes(served / "update\\filelist.txt", list);
        WriteBytes(served / "update\\filelist.txt.sig", test::SignWithTestKey(list));
    }

    UpdaterOutcome Update(uint32_t waitMs = 30000) {
        UpdaterOptions o;
        o.iniPath = app / "update.ini";
        o.publicKeys = keys;
        o.selfPath = app / "update.exe";
        o.stepTimeOutMs = 10000;
        o.waitForExitMs = waitMs;
        return RunUpdater(o);
    }

    std::string Log() { return ReadBytes(app / "update.log"); }

    // Nothing of the program changed, and nothing of the update is left.
    void ExpectUntouched() {
        EXPECT_EQ(ReadBytes(app / "a.txt"), "old a");
        EXPECT_EQ(ReadBytes(app / "version.txt"), "1");
        EXPECT_EQ(ReadBytes(app / "keep.txt"), "not in the list");
        EXPECT_FALSE(FileExists(app / "sub\\b.txt"));
        EXPECT_FALSE(DirectoryExists(app / kStagingFolder));
        EXPECT_FALSE(DirectoryExists(app / kBackupFolder));
        EXPECT_FALSE(FileExists(app / "runs.txt")) << "the program was started";
    }
};

TEST_F(UpdaterFixture, ASignedListAndMatchingFilesReplaceAllAndRestart) {
    Publish();
    UpdaterOutcome out = Update();
    EXPECT_EQ(out.result, UpdaterResult::Updated) << out.message;
    EXPECT_EQ(out.message, "");
    EXPECT_EQ(ReadBytes(app / "a.txt"), "new a");
    EXPECT_EQ(ReadBytes(app / "version.txt"), "2");
    EXPECT_EQ(ReadBytes(app / "sub\\b.txt"), "new file b");
    EXPECT_EQ(ReadBytes(app / "keep.txt"), "not in the list");
    EXPECT_FALSE(DirectoryExists(app / kStagingFolder));
    EXPECT_FALSE(DirectoryExists(app / kBackupFolder));
    // Started again in its own folder, after the files were in place.
    ASSERT_TRUE(WaitFor([&] { return FileExists(app / "runs.txt"); }));
    EXPECT_EQ(ReadBytes(app / "runs.txt"), "2 \r\n");
    EXPECT_NE(Log().find("Update abgeschlossen"), std::string::npos) << Log();
    EXPECT_NE(Log().find("Gestartet: " + app.Path() + "probe.exe"), std::string::npos);
}

TEST_F(UpdaterFixture, ATamperedFileChangesNothing) {
    Publish();
    WriteBytes(served / "update\\sub\\b.txt", "new file B"); // same size, other bytes
    UpdaterOutcome out = Update();
    EXPECT_EQ(out.result, UpdaterResult::NothingChanged);
    EXPECT_NE(out.message.find("sub/b.txt stimmt nicht mit der signierten Dateiliste"),
              std::string::npos)
        << out.message;
    ExpectUntouched();

    // A longer file is cut off at one byte past its size and refused too.
    WriteBytes(served / "update\\sub\\b.txt", "new file b and a great deal more");
    out = Update();
    EXPECT_EQ(out.result, UpdaterResult::NothingChanged);
    ExpectUntouched();
}

TEST_F(UpdaterFixture, ATamperedListIsRefusedBeforeAnyDownload) {
    std::string list = Publish();
    // A flipped bit in a hash after signing.
    list[list.find('\n') + 1] ^= 1;
    WriteBytes(served / "update\\filelist.txt", list);
    UpdaterOutcome out = Update();
    EXPECT_EQ(out.result, UpdaterResult::NothingChanged);
    EXPECT_NE(out.message.find("Signatur der Dateiliste ist ung\xFCltig"), std::string::npos)
        << out.message;
    ExpectUntouched();
    EXPECT_EQ(server.Paths(),
              (std::vector<std::string>{"/update/filelist.txt", "/update/filelist.txt.sig"}));
}

// The P-256 base point: a valid public key whose private half (1) signs no
// list of ours.
EcPublicKey OtherKey() {
    return *ParseEcPublicKey("046B17D1F2E12C4247F8BCE6E563A440F277037D812DEB33A0F4A13945D898C296"
                             "4FE342E2FE1A7F9B8EE7EB4A7C0F9E162BCE33576B315ECECBB6406837BF51F5");
}

TEST_F(UpdaterFixture, OlderSameExpiredUnannouncedAndFirstFormatListsChangeNothing) {
    const struct {
        const char* what;
        const char* version;
        const char* announced;
        const char* expires;
        const char* message;
    } cases[] = {
        {"downgrade", "6.01", "6.01", nullptr, "installiert ist schon 6.2.0.0"},
        {"same version", "6.2", "6.2", nullptr, "installiert ist schon"},
        {"expired", nullptr, nullptr, "2020-01-01T00:00:00Z",
         "seit 2020-01-01T00:00:00Z abgelaufen"},
        {"other than announced", "6.04", nullptr, nullptr, "hat Version 6.03 angek\xFCndigt"},
        {"nothing announced", nullptr, "", nullptr, "hat keine angek\xFCndigt"},
    };
    for (const auto& c : cases) {
        version = c.version ? c.version : "6.03";
        announced = c.announced ? c.announced : "6.03";
        expires = c.expires ? c.expires : "2099-12-31T23:59:59Z";
        WriteIni(app / "probe.exe");
        Publish();
        UpdaterOutcome out = Update();
        EXPECT_EQ(out.result, UpdaterResult::NothingChanged) << c.what;
        EXPECT_NE(out.message.find(c.message), std::string::npos) << c.what << ": " << out.message;
        EXPECT_NE(Log().find(c.message), std::string::npos) << c.what;
        ExpectUntouched();
    }
    // A list of the first format names neither version nor expiry.
    std::string list = Publish();
    const size_t files = list.find('\n', list.find("expires ")) + 1;
    PublishList("QV6FILELIST 1\n" + list.substr(files));
    UpdaterOutcome out = Update();
    EXPECT_EQ(out.result, UpdaterResult::NothingChanged);
    EXPECT_NE(out.message.find("altes Format"), std::string::npos) << out.message;
    ExpectUntouched();
}

TEST_F(UpdaterFixture, TheNextKeysSignatureCountsAsMuchAsTheCurrentOnes) {
    Publish();
    keys = {OtherKey()};
    EXPECT_EQ(Update().result, UpdaterResult::NothingChanged);
    ExpectUntouched();
    keys = {OtherKey(), test::TestUpdateKey()};
    UpdaterOutcome out = Update();
    EXPECT_EQ(out.result, UpdaterResult::Updated) << out.message;
    EXPECT_NE(Log().find("(Schl\xFCssel 2)"), std::string::npos) << Log();
}

TEST_F(UpdaterFixture, AMissingOrForeignSignatureIsRefused) {
    std::string list = Publish();
    RemoveFile(served / "update\\filelist.txt.sig");
    UpdaterOutcome out = Update();
    EXPECT_EQ(out.result, UpdaterResult::NothingChanged);
    EXPECT_NE(out.message.find("Signatur der Dateiliste fehlt"), std::string::npos) << out.message;
    ExpectUntouched();

    // A signature of other bytes, and an empty one.
    WriteBytes(served / "update\\filelist.txt.sig", test::SignWithTestKey(list + "x"));
    EXPECT_EQ(Update().result, UpdaterResult::NothingChanged);
    WriteBytes(served / "update\\filelist.txt.sig", "");
    EXPECT_EQ(Update().result, UpdaterResult::NothingChanged);
    ExpectUntouched();
    for (const std::string& p : server.Paths())
        EXPECT_TRUE(p == "/update/filelist.txt" || p == "/update/filelist.txt.sig") << p;
}

TEST_F(UpdaterFixture, ANameLeavingTheFolderRefusesTheWholeSignedList) {
    Publish();
    WriteBytes(served / "evil.txt", "evil");
    for (const std::string name : {"..\\evil.txt", "../evil.txt", "sub/../../evil.txt"}) {
        std::string list = FormatFileList(
            version, expires, {{"a.txt", 5, Sha256("new a")}, {name, 4, Sha256("evil")}});
        PublishList(list);
        UpdaterOutcome out = Update();
        EXPECT_EQ(out.result, UpdaterResult::NothingChanged) << name;
        EXPECT_NE(out.message.find("unzul\xE4ssiger Name"), std::string::npos) << out.message;
        ExpectUntouched();
        EXPECT_FALSE(
            FileExists(ExtractFilePath(app.Path().substr(0, app.Path().size() - 1)) + "evil.txt"));
    }
    // Only the lists and their signatures were fetched.
    for (const std::string& p : server.Paths())
        EXPECT_TRUE(p == "/update/filelist.txt" || p == "/update/filelist.txt.sig") << p;
}

TEST_F(UpdaterFixture, TheUpdaterAndItsOwnFilesAreNeverInTheList) {
    for (const char* name : {"update.exe", "UPDATE.EXE", "update.ini", "update.log",
                             "update.staging/x.txt", "update.backup/x.txt"}) {
        offered = {{"a.txt", "new a"}, {name, "bytes"}};
        Publish();
        UpdaterOutcome out = Update();
        EXPECT_EQ(out.result, UpdaterResult::NothingChanged) << name;
        EXPECT_NE(out.message.find("Update-"), std::string::npos) << out.message;
        EXPECT_EQ(ReadBytes(app / "a.txt"), "old a") << name;
    }
}

TEST_F(UpdaterFixture, AFailureWhileReplacingPutsEveryOldFileBack) {
    // a.txt comes first and is replaced; "c.txt" is a folder and cannot be.
    offered = {{"a.txt", "new a"}, {"c.txt", "new c"}, {"sub/b.txt", "new file b"}};
    ASSERT_TRUE(ForceDirectories(app / "c.txt"));
    Publish();
    UpdaterOutcome out = Update();
    EXPECT_EQ(out.result, UpdaterResult::NothingChanged) << out.message;
    EXPECT_NE(out.message.find("Die alten Dateien sind unver\xE4ndert"), std::string::npos)
        << out.message;
    ExpectUntouched();
    EXPECT_TRUE(DirectoryExists(app / "c.txt"));
    EXPECT_NE(Log().find("Zur\xFC"
                         "ckgelegt: " +
                         app.Path() + "a.txt"),
              std::string::npos)
        << Log();
}

TEST_F(UpdaterFixture, WaitsForTheProgramAndGivesUpWithoutTouchingIt) {
    Publish();
    // The program still runs from the folder and does not end.
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    std::string cmd = "\"" + app.Path() + "probe.exe\" --linger";
    ASSERT_TRUE(::CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 app.Path().c_str(), &si, &pi));
    ASSERT_TRUE(WaitFor([&] { return FileExists(app / "runs.txt"); }));
    RemoveFile(app / "runs.txt");
    // The wait counts its steps; they pass at once here.
    SetClockHooks({[](uint32_t) {}, nullptr});
    UpdaterOutcome out = Update();
    SetClockHooks({});
    ::TerminateProcess(pi.hProcess, 0);
    ::WaitForSingleObject(pi.hProcess, 10000);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    EXPECT_EQ(out.result, UpdaterResult::NothingChanged);
    EXPECT_NE(out.message.find("l\xE4uft nach 30 Sekunden noch"), std::string::npos) << out.message;
    EXPECT_NE(Log().find("Warte auf das Ende von"), std::string::npos) << Log();
    ExpectUntouched();
}

TEST_F(UpdaterFixture, RefusesWithoutCompleteSettingsOrAfterAnUnfinishedUpdate) {
    Publish();
    ASSERT_TRUE(ForceDirectories(app / kBackupFolder));
    UpdaterOutcome out = Update();
    EXPECT_EQ(out.result, UpdaterResult::NothingChanged);
    EXPECT_NE(out.message.find("nicht abgeschlossen"), std::string::npos) << out.message;
    EXPECT_TRUE(server.Paths().empty());
    test::RemoveTree(app / kBackupFolder);

    ::WritePrivateProfileStringA("Update", "FileListDeliverURL", nullptr,
                                 (app / "update.ini").c_str());
    ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, (app / "update.ini").c_str());
    out = Update();
    EXPECT_EQ(out.result, UpdaterResult::NothingChanged);
    EXPECT_NE(out.message.find("keine vollst\xE4ndigen Update-Angaben"), std::string::npos)
        << out.message;
    EXPECT_EQ(ReadBytes(app / "a.txt"), "old a");
}

TEST_F(UpdaterFixture, AProgramThatCannotStartIsReportedAfterTheUpdate) {
    Publish();
    // The installed version is read from the folder's qv6.exe.
    ::CopyFileA(ProbeExe().c_str(), (app / "qv6.exe").c_str(), FALSE);
    WriteIni(app / "missing.exe");
    UpdaterOutcome out = Update();
    EXPECT_EQ(out.result, UpdaterResult::RestartFailed);
    EXPECT_NE(out.message.find("missing.exe konnte nicht gestartet werden"), std::string::npos);
    EXPECT_EQ(ReadBytes(app / "a.txt"), "new a");
}

} // namespace
} // namespace qv
