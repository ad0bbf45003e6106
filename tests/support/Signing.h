#pragma once
// The files tests/signature/make_fixtures.sh signs for every run (CTest
// fixture signature_files), and the test root in the user's root store for
// as long as a TrustedRoot lives. Wine's chain engine reads the store once per
// process: only processes started while the root is in it trust the chain.
#include "base/Files.h"
#include "signature/SignatureVerifier.h"
#include "support/TestSupport.h"

#include <windows.h>

#include <wincrypt.h>

#include <atomic>
#include <map>
#include <set>
#include <string>

namespace qv::test {

inline std::string SignatureFixtures() {
    return ExecutableDir() + "..\\signature_fixtures\\";
}

// Through the registry store itself: Wine's collection named "Root" takes
// the certificate into a memory store that nobody reads back. The store
// stays open, because the registry store writes a deletion when it closes.
class TrustedRoot {
  public:
    TrustedRoot()
        : store_(::CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0,
                                 CERT_SYSTEM_STORE_CURRENT_USER, L"Root")) {
        std::string der = ReadBytes(SignatureFixtures() + "root.cer");
        ok_ = store_ && !der.empty() &&
              ::CertAddEncodedCertificateToStore(
                  store_, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                  static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING, &cert_);
        if (store_) ::CertControlStore(store_, 0, CERT_STORE_CTRL_COMMIT, nullptr);
    }
    ~TrustedRoot() {
        // Deleting frees the context handed out by the add.
        if (cert_) ::CertDeleteCertificateFromStore(cert_);
        if (store_) ::CertCloseStore(store_, 0);
    }
    TrustedRoot(const TrustedRoot&) = delete;
    TrustedRoot& operator=(const TrustedRoot&) = delete;
    bool Ok() const { return ok_; }

  private:
    HCERTSTORE store_;
    PCCERT_CONTEXT cert_ = nullptr;
    bool ok_ = false;
};

// The test's own verdicts by path, else the system's for real files, or
// for files that need not exist (one fixed stamp) NotSigned. The checks numbered in holdAt
// wait until the queue is asked to stop (bounded: one never stopped fails).
class ScriptedSignatures : public SignaturePlatform {
  public:
    std::optional<FileStamp> Stamp(const std::string& path) override {
        if (fixedStamp) return FileStamp{1, 1};
        return WindowsSignaturePlatform().Stamp(path);
    }
    SignatureVerdict Check(const std::string& path) override {
        const size_t n = ++checks;
        if (holdAt.count(n)) {
            held = n;
            for (int i = 0; i < 20000 && !(queue && queue->Cancelling()); ++i)
                ::Sleep(1);
        }
        auto it = verdicts.find(path);
        if (it != verdicts.end()) return it->second;
        if (fixedStamp) return {SignatureState::NotSigned, ""};
        return WindowsSignaturePlatform().Check(path);
    }
    bool WaitUntilHeld(size_t n) const {
        for (int i = 0; i < 20000 && held != n; ++i)
            ::Sleep(1);
        return held == n;
    }
    std::map<std::string, SignatureVerdict> verdicts;
    std::set<size_t> holdAt;
    const VerifyQueue* queue = nullptr;
    bool fixedStamp = false;
    std::atomic<size_t> checks{0}, held{0};
};

} // namespace qv::test
