// The update check's logic against a real server on 127.0.0.1: the answer,
// what the user is told or asked, update.ini and the hand-over.
#include "TestHttpServer.h"
#include "base/Files.h"
#include "base/LanguageLines.h"
#include "process/GuardInterface.h"
#include "support/TestSupport.h"
#include "update/CheckUpdate.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using test::Response;
using test::TempDir;
using test::TestHttpServer;

// Records what the check does through its hooks, in order.
struct Recorder {
    std::vector<std::string> events;
    bool answerOk = false;
    bool guardRuns = false;

    UpdateCheckHooks Hooks() {
        UpdateCheckHooks h;
        h.show = [this](Lng line) { events.push_back("show " + std::to_string(LineNumber(line))); };
        h.confirm = [this](Lng line) {
            events.push_back("ask " + std::to_string(LineNumber(line)));
            return answerOk;
        };
        h.guardRunning = [this] { return guardRuns; };
        h.notifyGuard = [this](uint32_t m) {
            events.push_back("guard " + std::to_string(m));
            return true;
        };
        h.shellOpen = [this](const std::string& target) {
            events.push_back("open " + target);
            return false;
        };
        return h;
    }
};

struct CheckFixture : ::testing::Test {
    TempDir dir;
    std::string answer;
    TestHttpServer server{[this](const std::string&) { return Response(200, answer); }};
    HttpClient http;
    Recorder recorder;
    const std::string exe = "C:\\Programme\\Quorvik 6\\qv6.exe";

    CheckFixture() { ConfigureUpdateClient(http, dir.Path()); }
    UpdateCheckResult Check() {
        return RunUpdateCheck(http, dir.Path(), server.Base(), exe, recorder.Hooks());
    }
};

TEST(UpdateAddresses, FormedFromTheBaseAddress) {
    UpdateAddresses a = MakeUpdateAddresses("http://server.example/");
    EXPECT_EQ(a.question, "http://server.example/update/checkforupdate.php?version=6.02");
    EXPECT_EQ(a.fileList, "http://server.example/update/filelist.txt");
    EXPECT_EQ(a.downloadBase, "http://server.example/update/");
}

TEST(UpdateClient, ConfiguredWithATimeLimitPerStep) {
    TempDir dir;
    HttpClient http;
    ConfigureUpdateClient(http, dir.Path());
    EXPECT_EQ(http.Body, dir / "update.dat");
    EXPECT_TRUE(http.InputFileMode);
    EXPECT_EQ(http.Header, "Head.txt");
    EXPECT_FALSE(http.OutputFileMode);
    EXPECT_EQ(http.Port, 0);
    EXPECT_EQ(http.TimeOut, 30000u);
}

TEST_F(CheckFixture, AnswerOneFollowedByMoreAsksAndCancelChangesNothing) {
    answer = "1\r\nmore text";
    test::WriteBytes(dir / "update.ini", "[Other]\r\nKey=1\r\n");
    UpdateCheckResult r = Check();
    EXPECT_EQ(r.answer, 1);
    EXPECT_FALSE(r.endProgram);
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"ask 168"}));
    EXPECT_EQ(test::ReadBytes(dir / "update.ini"), "[Other]\r\nKey=1\r\n");
    EXPECT_FALSE(FileExists(dir / "update.dat"));
    EXPECT_EQ(server.Paths(),
              (std::vector<std::string>{"/update/checkforupdate.php?version=6.02"}));
}

TEST_F(CheckFixture, EmptyZeroMinusOneAndOtherNumbers) {
    answer = "";
    EXPECT_EQ(Check().answer, 0);
    answer = "-1";
    EXPECT_EQ(Check().answer, -1);
    answer = "2";
    EXPECT_EQ(Check().answer, 2);
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"show 167", "show 166"}));
    // After each successful check no update.dat remains.
    EXPECT_FALSE(FileExists(dir / "update.dat"));
    EXPECT_FALSE(FileExists(dir / "update.ini"));
}

TEST_F(CheckFixture, AnAnswerThatIsNoNumberStopsTheCheckAndKeepsUpdateDat) {
    answer = "abc";
    try {
        Check();
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_STREQ(e.what(), "Ung\xFCltige numerische Eingabe");
    }
    EXPECT_TRUE(recorder.events.empty());
    EXPECT_EQ(test::ReadBytes(dir / "update.dat"), "abc");
}

TEST_F(CheckFixture, OkWritesUpdateIniAndStartsTheUpdater) {
    answer = "1";
    recorder.answerOk = true;
    UpdateCheckResult r = Check();
    EXPECT_TRUE(r.endProgram);
    EXPECT_EQ(recorder.events,
              (std::vector<std::string>{"ask 168", "open " + dir.Path() + "update.exe"}));
    EXPECT_EQ(test::ReadBytes(dir / "update.ini"), "[Update]\r\n"
                                                   "FileListDeliverURL=" +
                                                       server.Base() +
                                                       "update/filelist.txt\r\n"
                                                       "FileDownloadBaseURL=" +
                                                       server.Base() +
                                                       "update/\r\n"
                                                       "ApplicationPath=" +
                                                       dir.Path() +
                                                       "\r\n"
                                                       "RestartApplication=" +
                                                       exe +
                                                       "\r\n"
                                                       "Version=\r\n");
}

TEST_F(CheckFixture, ARunningGuardIsStoppedAndToldBeforeTheUpdaterStarts) {
    answer = "1";
    recorder.answerOk = true;
    recorder.guardRuns = true;
    Check();
    EXPECT_EQ(recorder.events, (std::vector<std::string>{
                                   "ask 168", "guard " + std::to_string(GuardMsgStop),
                                   "show " + std::to_string(LineNumber(Lng::UpdateGuardStopped)),
                                   "open " + dir.Path() + "update.exe"}));
}

TEST_F(CheckFixture, AnUnwritableUpdateIniStopsBeforeTheUpdater) {
    answer = "1";
    recorder.answerOk = true;
    ASSERT_TRUE(::CreateDirectoryA((dir / "update.ini").c_str(), nullptr));
    try {
        Check();
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.what(), "In " + dir.Path() + "update.ini kann nicht geschrieben werden");
    }
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"ask 168"}));
}

TEST_F(CheckFixture, NetworkFailuresReachTheCaller) {
    // A server that accepts and never answers: the time limit ends the check.
    TestHttpServer silent([](const std::string&) {
        test::Reply r;
        r.holdOpen = true;
        r.holdMs = 20000;
        return r;
    });
    http.TimeOut = 300; // the check's own 30 s would only make the test slow
    try {
        RunUpdateCheck(http, dir.Path(), silent.Base(), exe, recorder.Hooks());
        FAIL() << "no error";
    } catch (const EAbortError& e) {
        EXPECT_STREQ(e.what(), "Socket readln aborted");
    }
    try {
        RunUpdateCheck(http, dir.Path(),
                       "http://127.0.0.1:" + std::to_string(test::UnusedPort()) + "/", exe,
                       recorder.Hooks());
        FAIL() << "no error";
    } catch (const ESockError& e) {
        EXPECT_STREQ(e.what(), "10061:Connection refused");
    }
    EXPECT_TRUE(recorder.events.empty());
}

TEST(UpdateIni, KeepsOtherSectionsAndReplacesTheKeysInPlace) {
    TempDir dir;
    test::WriteBytes(dir / "update.ini", "[Before]\r\nA=1\r\n"
                                         "[Update]\r\nApplicationPath=old\r\nExtra=keep\r\n"
                                         "[After]\r\nB=2\r\n");
    WriteUpdateIni(dir.Path(), "http://h/", "C:\\p\\qv6.exe");
    EXPECT_EQ(test::ReadBytes(dir / "update.ini"),
              "[Before]\r\nA=1\r\n"
              "[Update]\r\nApplicationPath=" +
                  dir.Path() +
                  "\r\nExtra=keep\r\n"
                  "FileListDeliverURL=http://h/update/filelist.txt\r\n"
                  "FileDownloadBaseURL=http://h/update/\r\n"
                  "RestartApplication=C:\\p\\qv6.exe\r\n"
                  "Version=\r\n"
                  "[After]\r\nB=2\r\n");

    // A folder that does not exist cannot take the file.
    try {
        WriteUpdateIni(dir / "missing\\", "http://h/", "x");
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.what(),
                  "In " + dir.Path() + "missing\\update.ini kann nicht geschrieben werden");
    }
}

} // namespace
} // namespace qv
