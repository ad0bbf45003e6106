#include "signature/SignaturePlatform.h"

#include "base/Handles.h"
#include "base/WinText.h"

#include <windows.h>
// In this order: each needs the ones before.
#include <wincrypt.h>

#include <wintrust.h>

#include <mscat.h>
#include <softpub.h>

#include <vector>

namespace qv {

namespace {

// The catalog functions that take a hash algorithm came with Windows 8 and
// are missing from mingw's import library: looked up once, and where the
// system lacks them, the older functions hash with SHA-1.
using AcquireContext2Fn = BOOL(WINAPI*)(HCATADMIN*, const GUID*, const WCHAR*,
                                        const CERT_STRONG_SIGN_PARA*, DWORD);
using CalcHash2Fn = BOOL(WINAPI*)(HCATADMIN, HANDLE, DWORD*, BYTE*, DWORD);

struct CatalogFunctions {
    AcquireContext2Fn acquire2 = nullptr;
    CalcHash2Fn calcHash2 = nullptr;
};

const CatalogFunctions& Catalogs() {
    static const CatalogFunctions functions = [] {
        CatalogFunctions f;
        // Loaded here rather than found: wintrust is delay-loaded, and this
        // may run before its first imported call.
        if (HMODULE wintrust =
                ::LoadLibraryExW(L"wintrust.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
            f.acquire2 = reinterpret_cast<AcquireContext2Fn>(reinterpret_cast<void*>(
                ::GetProcAddress(wintrust, "CryptCATAdminAcquireContext2")));
            f.calcHash2 = reinterpret_cast<CalcHash2Fn>(reinterpret_cast<void*>(
                ::GetProcAddress(wintrust, "CryptCATAdminCalcHashFromFileHandle2")));
        }
        // Both or neither: a context for SHA-256 is no use to the SHA-1 hasher.
        if (!f.acquire2 || !f.calcHash2) f = {};
        return f;
    }();
    return functions;
}

// WINTRUST_CATALOG_INFO as Windows 8 extended it: the catalog context that
// hashed the file, so that a SHA-256 catalog is checked with SHA-256. The
// headers show the field only to programs built for Windows 8; appended here
// it sits where the system expects it, and older systems read up to cbStruct.
struct CatalogMemberInfo {
    WINTRUST_CATALOG_INFO info;
    HCATADMIN catAdmin;
};

std::string Publisher(HANDLE state) {
    CRYPT_PROVIDER_DATA* provider = ::WTHelperProvDataFromStateData(state);
    if (!provider) return {};
    CRYPT_PROVIDER_SGNR* signer = ::WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0);
    if (!signer || signer->csCertChain == 0 || !signer->pasCertChain ||
        !signer->pasCertChain[0].pCert)
        return {};
    PCCERT_CONTEXT leaf = signer->pasCertChain[0].pCert;
    DWORD n = ::CertGetNameStringW(leaf, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, nullptr, 0);
    if (n <= 1) return {};
    std::wstring name(n, L'\0');
    n = ::CertGetNameStringW(leaf, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name.data(), n);
    name.resize(n > 0 ? n - 1 : 0);
    return CleanPublisher(FromWide(name));
}

// What a failed check means. The codes that say "no signature at all" are
// sorted out by the caller before.
SignatureState FailedState(LONG result) {
    switch (static_cast<HRESULT>(result)) {
    case TRUST_E_BAD_DIGEST:
    case TRUST_E_NOSIGNATURE: // a signature is there, but unreadable
    case CRYPT_E_BAD_MSG:
    case CRYPT_E_ASN1_BADTAG:
    case CRYPT_E_ASN1_CORRUPT:
    case CRYPT_E_ASN1_EOD:
    case CRYPT_E_HASH_VALUE:
    case CRYPT_E_NO_SIGNER:
    case CRYPT_E_SIGNER_NOT_FOUND:
    case NTE_BAD_SIGNATURE:
    case TRUST_E_SYSTEM_ERROR:
        return SignatureState::Broken;
    default:
        break;
    }
    // The file could not be read while it was being checked.
    if (HRESULT_FACILITY(result) == FACILITY_WIN32) return SignatureState::NotCheckable;
    // Everything else is a signature that is intact but refused: an unknown
    // or distrusted root, an expired or revoked certificate, a wrong purpose.
    return SignatureState::NotTrusted;
}

// One WinVerifyTrust call that never shows anything and never asks the
// network; the state it keeps is released when the call goes out of scope.
class TrustCheck {
  public:
    TrustCheck() {
        data_.cbStruct = sizeof(data_);
        data_.dwUIChoice = WTD_UI_NONE;
        data_.fdwRevocationChecks = WTD_REVOKE_NONE;
        data_.dwStateAction = WTD_STATEACTION_VERIFY;
        data_.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL | WTD_REVOCATION_CHECK_NONE;
    }
    ~TrustCheck() {
        if (!ran_) return;
        data_.dwStateAction = WTD_STATEACTION_CLOSE;
        ::WinVerifyTrust(nullptr, &action_, &data_);
    }
    TrustCheck(const TrustCheck&) = delete;
    TrustCheck& operator=(const TrustCheck&) = delete;

    LONG File(WINTRUST_FILE_INFO& file) {
        data_.dwUnionChoice = WTD_CHOICE_FILE;
        data_.pFile = &file;
        return Run();
    }
    LONG Catalog(WINTRUST_CATALOG_INFO& catalog) {
        data_.dwUnionChoice = WTD_CHOICE_CATALOG;
        data_.pCatalog = &catalog;
        return Run();
    }
    std::string Signer() const { return Publisher(data_.hWVTStateData); }

  private:
    LONG Run() {
        ran_ = true;
        LONG result = ::WinVerifyTrust(nullptr, &action_, &data_);
        if (result == ERROR_SUCCESS && !ChainSound()) return CERT_E_UNTRUSTEDROOT;
        return result;
    }
    // Wine's verifier passes a chain that ends in a root nobody trusts, which
    // Windows refuses; the chain the check built says so on both, so the
    // verdict is read from it as well. Unknown revocation is no fault: the
    // check is made without asking the network.
    bool ChainSound() const {
        CRYPT_PROVIDER_DATA* provider = ::WTHelperProvDataFromStateData(data_.hWVTStateData);
        CRYPT_PROVIDER_SGNR* signer =
            provider ? ::WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0) : nullptr;
        if (!signer || !signer->pChainContext) return false;
        const DWORD faults =
            CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_NOT_TIME_VALID | CERT_TRUST_IS_REVOKED |
            CERT_TRUST_IS_NOT_SIGNATURE_VALID | CERT_TRUST_IS_NOT_VALID_FOR_USAGE |
            CERT_TRUST_IS_CYCLIC | CERT_TRUST_IS_PARTIAL_CHAIN | CERT_TRUST_IS_EXPLICIT_DISTRUST |
            CERT_TRUST_INVALID_EXTENSION | CERT_TRUST_INVALID_POLICY_CONSTRAINTS |
            CERT_TRUST_INVALID_BASIC_CONSTRAINTS | CERT_TRUST_INVALID_NAME_CONSTRAINTS;
        return (signer->pChainContext->TrustStatus.dwErrorStatus & faults) == 0;
    }
    GUID action_ = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    WINTRUST_DATA data_{};
    bool ran_ = false;
};

class CatalogAdmin {
  public:
    ~CatalogAdmin() {
        if (admin_) ::CryptCATAdminReleaseContext(admin_, 0);
    }
    // Nothing when the system has no catalog database for the algorithm.
    bool Acquire(const wchar_t* algorithm) {
        const CatalogFunctions& f = Catalogs();
        if (f.acquire2) return f.acquire2(&admin_, nullptr, algorithm, nullptr, 0) != FALSE;
        if (std::wstring_view(algorithm) != L"SHA1") return false;
        return ::CryptCATAdminAcquireContext(&admin_, nullptr, 0) != FALSE;
    }
    bool Hash(HANDLE file, std::vector<BYTE>& hash) {
        const CatalogFunctions& f = Catalogs();
        auto calc = [&](DWORD* size, BYTE* out) {
            // The hashers read from where the handle stands.
            ::SetFilePointer(file, 0, nullptr, FILE_BEGIN);
            return f.calcHash2 ? f.calcHash2(admin_, file, size, out, 0)
                               : ::CryptCATAdminCalcHashFromFileHandle(file, size, out, 0);
        };
        DWORD size = 0;
        calc(&size, nullptr);
        if (size == 0 || size > 256) return false;
        hash.assign(size, 0);
        if (!calc(&size, hash.data())) return false;
        hash.resize(size);
        return true;
    }
    HCATADMIN get() const { return admin_; }

  private:
    HCATADMIN admin_ = nullptr;
};

// A catalog lists its members under the upper-case hex of their hash.
std::wstring MemberTag(const std::vector<BYTE>& hash) {
    static const wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring tag;
    for (BYTE b : hash) {
        tag += digits[b >> 4];
        tag += digits[b & 15];
    }
    return tag;
}

// The catalog verdict, or nothing when no catalog of the system lists the
// file's hash under either algorithm.
std::optional<SignatureVerdict> CatalogVerdict(HANDLE file, const std::wstring& path) {
    for (const wchar_t* algorithm : {L"SHA256", L"SHA1"}) {
        CatalogAdmin admin;
        std::vector<BYTE> hash;
        if (!admin.Acquire(algorithm) || !admin.Hash(file, hash)) continue;
        HCATINFO found = ::CryptCATAdminEnumCatalogFromHash(
            admin.get(), hash.data(), static_cast<DWORD>(hash.size()), 0, nullptr);
        if (!found) continue;
        CATALOG_INFO where{};
        where.cbStruct = sizeof(where);
        SignatureVerdict verdict{SignatureState::NotTrusted, {}};
        if (::CryptCATCatalogInfoFromContext(found, &where, 0)) {
            std::wstring tag = MemberTag(hash);
            CatalogMemberInfo member{};
            member.info.cbStruct = sizeof(member);
            member.info.pcwszCatalogFilePath = where.wszCatalogFile;
            member.info.pcwszMemberTag = tag.c_str();
            member.info.pcwszMemberFilePath = path.c_str();
            member.info.hMemberFile = file;
            member.info.pbCalculatedFileHash = hash.data();
            member.info.cbCalculatedFileHash = static_cast<DWORD>(hash.size());
            member.catAdmin = admin.get();
            TrustCheck check;
            LONG result = check.Catalog(member.info);
            if (result == ERROR_SUCCESS)
                verdict = {SignatureState::SignedByCatalog, check.Signer()};
            else
                verdict.state = FailedState(result);
        }
        ::CryptCATAdminReleaseCatalogContext(admin.get(), found, 0);
        return verdict;
    }
    return std::nullopt;
}

class WindowsPlatform final : public SignaturePlatform {
  public:
    std::optional<FileStamp> Stamp(const std::string& path) override {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (path.empty() ||
            !::GetFileAttributesExW(ToWide(path).c_str(), GetFileExInfoStandard, &data))
            return std::nullopt;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
        FileStamp stamp;
        stamp.size = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        stamp.lastWrite = (uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32) |
                          data.ftLastWriteTime.dwLowDateTime;
        return stamp;
    }

    std::string Locate(const std::string& path) override {
        std::wstring wide = ToWide(path);
        if (wide.find(L'%') != std::wstring::npos) {
            DWORD n = ::ExpandEnvironmentStringsW(wide.c_str(), nullptr, 0);
            std::wstring expanded(n, L'\0');
            if (n > 0 && ::ExpandEnvironmentStringsW(wide.c_str(), expanded.data(), n) == n) {
                expanded.resize(n - 1);
                wide = std::move(expanded);
            }
        }
        // A bare name is found as the loader finds a program: the program's
        // folder, the system folders, then PATH; ".exe" when it has no ending.
        if (!wide.empty() && wide.find_first_of(L"\\/:") == std::wstring::npos) {
            wchar_t found[MAX_PATH];
            DWORD n = ::SearchPathW(nullptr, wide.c_str(), L".exe", MAX_PATH, found, nullptr);
            if (n > 0 && n < MAX_PATH) wide.assign(found, n);
        }
        return FromWide(wide);
    }

    SignatureVerdict Check(const std::string& path) override {
        std::wstring wide = ToWide(path);
        // The embedded signature by the path: WinVerifyTrust opens the file
        // itself, and an open of our own beside it costs a fifth more per
        // file. A file it cannot open comes back as a failure of the system.
        WINTRUST_FILE_INFO info{};
        info.cbStruct = sizeof(info);
        info.pcwszFilePath = wide.c_str();
        LONG result;
        DWORD why;
        {
            TrustCheck check;
            result = check.File(info);
            // Read before the state is released, which may set it anew.
            why = ::GetLastError();
            if (result == ERROR_SUCCESS) return {SignatureState::Signed, check.Signer()};
        }
        bool none = result == static_cast<LONG>(TRUST_E_SUBJECT_FORM_UNKNOWN) ||
                    result == static_cast<LONG>(TRUST_E_PROVIDER_UNKNOWN) ||
                    (result == static_cast<LONG>(TRUST_E_NOSIGNATURE) &&
                     (why == static_cast<DWORD>(TRUST_E_NOSIGNATURE) ||
                      why == static_cast<DWORD>(TRUST_E_SUBJECT_FORM_UNKNOWN) ||
                      why == static_cast<DWORD>(TRUST_E_PROVIDER_UNKNOWN)));
        // A check that did not pass is judged with the file open: one that
        // cannot be opened (gone, or held by a program that shares no reads)
        // is not checkable, whatever code the verifier gave for it. The
        // catalog steps then share this one handle, so the file hashed is the
        // file checked.
        UniqueHandle file(::CreateFileW(wide.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!file) return {};
        if (!none) return {FailedState(result), {}};
        if (std::optional<SignatureVerdict> catalog = CatalogVerdict(file.get(), wide))
            return *catalog;
        return {SignatureState::NotSigned, {}};
    }
};

} // namespace

SignaturePlatform& WindowsSignaturePlatform() {
    static WindowsPlatform platform;
    return platform;
}

} // namespace qv
