// The verifier against files signed by a test authority that the fixture
// script makes for every run (root -> code-signing leaf, both SHA-256): a
// chain Windows and Wine judge alike. Wine's chain engine reads the root
// store once per process, so the cases with the root trusted run in a child
// process started after the root went into the user's store.
#include "base/Files.h"
#include "base/Handles.h"
#include "base/LanguageFile.h"
#include "base/Text.h"
#include "signature/EntryFile.h"
#include "signature/SignatureVerifier.h"
#include "support/Entries.h"
#include "support/Signing.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <wincrypt.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

using namespace qv;

namespace {

std::string Fixtures() {
    return test::SignatureFixtures();
}
using test::TrustedRoot;

class Signature : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(FileExists(Fixtures() + "signed.exe"))
            << "the fixtures come from tests/signature/make_fixtures.sh (run by CTest)";
    }
    std::string Copy(const std::string& name, const std::string& as = {}) {
        std::string to = dir / (as.empty() ? name : as);
        EXPECT_TRUE(::CopyFileA((Fixtures() + name).c_str(), to.c_str(), FALSE)) << name;
        return to;
    }
    void ExpectVerdicts(bool rootTrusted) {
        const std::pair<const char*, SignatureVerdict> cases[] = {
            {"signed.exe", rootTrusted
                               ? SignatureVerdict{SignatureState::Signed, "Quorvik Test Publisher"}
                               : SignatureVerdict{SignatureState::NotTrusted, ""}},
            {"broken.exe", {SignatureState::Broken, ""}},
            {"unsigned.exe", {SignatureState::NotSigned, ""}}};
        for (const auto& [file, verdict] : cases)
            EXPECT_EQ(WindowsSignaturePlatform().Check(Copy(file)), verdict) << file;
    }
    test::TempDir dir;
};

// Unsigned goes through the catalog lookup too: a fresh prefix has no
// catalog that lists it. The root decides only the signed file's verdict.
TEST_F(Signature, WithoutTheRootTheChainIsNotTrusted) {
    ExpectVerdicts(false);
}

TEST_F(Signature, DISABLED_WithTheRootTrusted) {
    ExpectVerdicts(true);
}

TEST_F(Signature, WithTheRootTheSignedFileNamesItsPublisher) {
    TrustedRoot root;
    ASSERT_TRUE(root.Ok());
    std::string exe = ExecutableDir() + "tests_signature.exe";
    std::string cmd = "\"" + exe +
                      "\" --gtest_also_run_disabled_tests "
                      "--gtest_filter=Signature.DISABLED_WithTheRootTrusted";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(::CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 nullptr, &si, &pi));
    UniqueHandle process(pi.hProcess);
    ::CloseHandle(pi.hThread);
    ASSERT_EQ(::WaitForSingleObject(process.get(), 120000), WAIT_OBJECT_0);
    DWORD code = 1;
    ::GetExitCodeProcess(process.get(), &code);
    EXPECT_EQ(code, 0u) << "the child's failures are printed above";
}

TEST_F(Signature, MissingFolderAndLockedFilesAreNotCheckable) {
    std::string locked = Copy("signed.exe", "locked.exe");
    UniqueHandle hold(
        ::CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(hold);
    SignatureVerifier verifier;
    for (const std::string& path : {dir / "missing.exe", dir.Path(), locked, std::string()})
        EXPECT_EQ(verifier.Verify(path).state, SignatureState::NotCheckable) << path;
}

TEST_F(Signature, CacheKeepsAVerdictUntilTheFileChanges) {
    test::ScriptedSignatures platform;
    SignatureVerifier verifier(platform);
    std::string file = Copy("signed.exe", "app.exe");
    EXPECT_EQ(verifier.Verify(file).state, SignatureState::NotTrusted);
    EXPECT_EQ(verifier.Verify(file).state, SignatureState::NotTrusted);
    EXPECT_EQ(verifier.Checks(), 1u);

    // Same size, one byte changed, written later: checked again.
    FILETIME before{};
    {
        UniqueHandle f(::CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
        ::GetFileTime(f.get(), nullptr, nullptr, &before);
    }
    ASSERT_TRUE(::CopyFileA((Fixtures() + "broken.exe").c_str(), file.c_str(), FALSE));
    ULARGE_INTEGER later{{before.dwLowDateTime, before.dwHighDateTime}};
    later.QuadPart += 20000000; // two seconds
    FILETIME stamp{later.LowPart, later.HighPart};
    {
        UniqueHandle f(::CreateFileA(file.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(::SetFileTime(f.get(), nullptr, nullptr, &stamp));
    }
    EXPECT_EQ(verifier.Verify(file).state, SignatureState::Broken);
    EXPECT_EQ(verifier.Checks(), 2u);

    // A file that is missing is asked about again once it is there.
    std::string late = dir / "late.exe";
    EXPECT_EQ(verifier.Verify(late).state, SignatureState::NotCheckable);
    ASSERT_TRUE(::CopyFileA((Fixtures() + "unsigned.exe").c_str(), late.c_str(), FALSE));
    EXPECT_EQ(verifier.Verify(late).state, SignatureState::NotSigned);
}

// The group changes while the third file is being checked: the batch stops
// there, its later files are never reported, and the new batch runs whole.
TEST_F(Signature, NewBatchCancelsTheRunningOneMidWay) {
    test::ScriptedSignatures platform;
    platform.holdAt = {3};
    SignatureVerifier verifier(platform);
    std::vector<std::string> first, second;
    for (int i = 0; i < 6; ++i)
        first.push_back(Copy("unsigned.exe", std::string(1, char('a' + i))));
    for (int i = 0; i < 3; ++i)
        second.push_back(Copy("broken.exe", std::string(1, char('p' + i))));

    std::mutex mutex;
    std::condition_variable finished;
    std::vector<std::pair<VerifyQueue::Batch, size_t>> results;
    std::vector<VerifyQueue::Batch> done;
    auto onResult = [&](VerifyQueue::Batch b, size_t i, const std::string&,
                        const SignatureVerdict& v) {
        std::lock_guard lock(mutex);
        results.emplace_back(b, i);
        EXPECT_EQ(v.state, b == 1 ? SignatureState::NotSigned : SignatureState::Broken);
    };
    auto onDone = [&](VerifyQueue::Batch b) {
        std::lock_guard lock(mutex);
        done.push_back(b);
        finished.notify_all();
    };
    VerifyQueue queue(verifier);
    platform.queue = &queue;
    EXPECT_EQ(queue.Start(first, onResult, onDone), 1u);
    ASSERT_TRUE(platform.WaitUntilHeld(3));
    EXPECT_TRUE(queue.Busy());
    queue.RequestCancel();
    EXPECT_EQ(queue.Start(second, onResult, onDone), 2u);
    {
        std::unique_lock lock(mutex);
        finished.wait(lock, [&] { return !done.empty(); });
    }
    queue.Cancel();
    EXPECT_FALSE(queue.Busy());
    using R = std::pair<VerifyQueue::Batch, size_t>;
    EXPECT_EQ(results, (std::vector<R>{{1, 0}, {1, 1}, {2, 0}, {2, 1}, {2, 2}}));
    EXPECT_EQ(done, std::vector<VerifyQueue::Batch>{2});
}

TEST(SignatureVerdict, TextsWindowsPublisherAndCleanNames) {
    LanguageFile german, english;
    german.LoadFromBytes(*ReadFileBytes(ExecutableDir() + "qv6.lng"));
    english.LoadFromBytes(*ReadFileBytes(ExecutableDir() + "lang\\english.lng"));
    using S = SignatureState;
    const char* const win = "Microsoft Windows";
    const std::tuple<SignatureVerdict, bool, const char*, const char*> rows[] = {
        {{S::Signed, win}, true, "Signiert von Microsoft Windows", "Signed by Microsoft Windows"},
        {{S::SignedByCatalog, "Microsoft Windows Publisher"},
         true,
         "\xDC"
         "ber Katalog signiert von Microsoft Windows Publisher",
         "Signed through a catalog by Microsoft Windows Publisher"},
        {{S::Signed, "Microsoft Corporation"},
         false,
         "Signiert von Microsoft Corporation",
         "Signed by Microsoft Corporation"},
        {{S::NotTrusted, win},
         false,
         "Nicht vertrauensw\xFCrdig (Stamm unbekannt oder abgelaufen)",
         "Not trusted (unknown root or expired)"},
        {{S::NotSigned, ""}, false, "Nicht signiert", "Not signed"},
        {{S::Broken, ""},
         false,
         "Signatur gebrochen (Datei ver\xE4ndert)",
         "Signature broken (file does not match)"},
        {{S::NotCheckable, ""},
         false,
         "Nicht pr\xFC"
         "fbar (fehlt oder gesperrt)",
         "Not checkable (missing or locked)"},
    };
    for (const auto& [verdict, windows, de, en] : rows) {
        EXPECT_EQ(ShownText(german, VerdictText(verdict)), de);
        EXPECT_EQ(ShownText(english, VerdictText(verdict)), en);
        EXPECT_EQ(IsWindowsPublisher(verdict), windows) << en;
    }
    EXPECT_EQ(CleanPublisher(" Evil\r\nCorp\t"), "Evil  Corp");
}

// The file whose signature speaks for an entry: a loader's library, not the
// loader Windows signed; a script host is named but never hidden as Windows.
TEST(SignatureEntryFile, TheFileThatRunsAndWhetherItMayHide) {
    struct Row {
        AutostartEntry entry;
        const char* path;
        bool scriptHost;
    };
    // A service keeps the binary it found beside the command.
    AutostartEntry service = test::RegEntry("2147483650", "Services\\s", "ImagePath", "svc -k", 10);
    service.FileName.assign("C:\\S\\svc.exe");
    const Row rows[] = {
        {test::FileEntry("C:\\Start\\tool.exe"), "C:\\Start\\tool.exe", false},
        {test::FileEntry("C:\\Start\\tool.lnk", "tool.lnk", "C:\\Apps\\tool.exe", 5, 0, 0),
         "C:\\Apps\\tool.exe", false},
        {test::RegEntry("2147483649", "Run", "a", "\"C:\\Program Files\\A\\a.exe\" /min"),
         "C:\\Program Files\\A\\a.exe", false},
        {test::RegEntry("2147483649", "Run", "b", "rundll32.exe C:\\Evil\\e.dll,Start"),
         "C:\\Evil\\e.dll", false},
        {test::RegEntry("2147483649", "Run", "c",
                        "C:\\Windows\\system32\\REGSVR32.EXE /s \"C:\\A B\\c.dll\""),
         "C:\\A B\\c.dll", false},
        {test::RegEntry("2147483649", "Run", "d", "rundll32.exe"), "", false},
        {test::RegEntry("2147483649", "Run", "e", "cmd.exe /c start x.bat"), "cmd.exe", true},
        {service, "C:\\S\\svc.exe", false},
        {test::IniEntry("C:\\Windows\\win.ini", "windows", "load", "powershell -f a.ps1"),
         "powershell", true},
    };
    const SignatureVerdict windows{SignatureState::Signed, "Microsoft Windows"};
    for (const Row& r : rows) {
        EntryFile f = EntryFileOf(r.entry);
        EXPECT_EQ(f.path, r.path) << r.entry.ValueData.str();
        EXPECT_EQ(f.scriptHost, r.scriptHost) << r.path;
        EXPECT_EQ(IsWindowsEntry(f, windows), !r.scriptHost) << r.path;
    }
}

// Where a command's program lies, as Windows finds it.
TEST(SignatureLocate, VariablesAndBareNames) {
    SignaturePlatform& p = WindowsSignaturePlatform();
    char windows[MAX_PATH];
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    EXPECT_EQ(UpperAscii(p.Locate("%SystemRoot%\\x.exe")),
              UpperAscii(windows + std::string("\\x.exe")));
    std::string rundll = p.Locate("rundll32");
    EXPECT_TRUE(FileExists(rundll)) << rundll;
    EXPECT_EQ(UpperAscii(ExtractFileName(rundll)), "RUNDLL32.EXE");
    EXPECT_EQ(p.Locate("no-such-program-here"), "no-such-program-here");
}

} // namespace
