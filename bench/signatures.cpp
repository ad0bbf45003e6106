// The publisher column's work for 1,000 files: the verifier (locating,
// stamping, WinVerifyTrust, the chain's own verdict and the publisher's name)
// beside a plain WinVerifyTrust loop over the same files in the same run,
// each with a fresh cache, best of three. Prints both times and the ratio,
// and the cached pass for reference. The files are copies of the signed test
// file that tests/signature/make_fixtures.sh makes (CTest's
// signature_fixtures); without it, copies of this program, which also sends
// the verifier through the catalog lookup that the plain loop skips.
#include "base/Files.h"
#include "signature/SignatureVerifier.h"

#include <windows.h>

#include <softpub.h>
#include <wintrust.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using namespace qv;

namespace {

constexpr int kFiles = 1000;
constexpr int kRounds = 3;

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// What a program that only asks WinVerifyTrust does for each file.
LONG PlainVerify(const std::wstring& path) {
    WINTRUST_FILE_INFO file{};
    file.cbStruct = sizeof(file);
    file.pcwszFilePath = path.c_str();
    WINTRUST_DATA data{};
    data.cbStruct = sizeof(data);
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL | WTD_REVOCATION_CHECK_NONE;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    LONG result = ::WinVerifyTrust(nullptr, &action, &data);
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    ::WinVerifyTrust(nullptr, &action, &data);
    return result;
}

} // namespace

int main() {
    std::string source = ExecutableDir() + "..\\signature_fixtures\\signed.exe";
    const bool signedFiles = FileExists(source);
    if (!signedFiles) {
        std::printf("no signed test file (run the signature_fixtures test first): copies of this "
                    "program instead, which the verifier also looks up in the catalogs\n");
        source = ExecutableDir() + "bench_signatures.exe";
    }
    const std::string dir = MakeTempDirectory("qv6sig");
    std::vector<std::string> paths;
    std::vector<std::wstring> wide;
    for (int i = 0; i < kFiles; ++i) {
        paths.push_back(dir + "f" + std::to_string(i) + ".exe");
        ::CopyFileA(source.c_str(), paths.back().c_str(), FALSE);
        wide.emplace_back(paths.back().begin(), paths.back().end());
    }
    // Both read the files from the cache alike.
    for (const std::wstring& w : wide)
        PlainVerify(w);

    double plain = 1e9, ours = 1e9, cached = 1e9;
    size_t passed = 0, signedCount = 0;
    for (int round = 0; round < kRounds; ++round) {
        auto t0 = std::chrono::steady_clock::now();
        passed = 0;
        for (const std::wstring& w : wide)
            passed += PlainVerify(w) == ERROR_SUCCESS;
        plain = std::min(plain, Seconds(std::chrono::steady_clock::now() - t0));

        SignatureVerifier verifier;
        t0 = std::chrono::steady_clock::now();
        signedCount = 0;
        for (const std::string& p : paths)
            signedCount += verifier.Verify(p).state != SignatureState::NotSigned;
        ours = std::min(ours, Seconds(std::chrono::steady_clock::now() - t0));

        t0 = std::chrono::steady_clock::now();
        for (const std::string& p : paths)
            verifier.Verify(p);
        cached = std::min(cached, Seconds(std::chrono::steady_clock::now() - t0));
    }
    std::printf("WinVerifyTrust loop: %8.1f ms for %d files (%zu passed)\n", plain * 1000, kFiles,
                passed);
    std::printf("verifier:            %8.1f ms (%zu with a signature)\n", ours * 1000, signedCount);
    std::printf("verifier, cached:    %8.1f ms\n", cached * 1000);
    std::printf("ratio verifier / WinVerifyTrust loop: %.2f (goal: at most 1.20%s)\n", ours / plain,
                signedFiles ? "" : "; not comparable without the signed files");
    for (const std::string& p : paths)
        ::DeleteFileA(p.c_str());
    ::RemoveDirectoryA(dir.c_str());
    return 0;
}
