// SHA-256 and the ECDSA P-256 check through the system's CNG functions.
#include "base/Crypto.h"

#include "base/Errors.h"
#include "base/Handles.h"

#include <windows.h>
#include <bcrypt.h>

#include <algorithm>
#include <vector>

namespace qv {

namespace {

struct AlgTraits {
    static BCRYPT_ALG_HANDLE Invalid() { return nullptr; }
    static bool Valid(BCRYPT_ALG_HANDLE h) { return h != nullptr; }
    static void Close(BCRYPT_ALG_HANDLE h) { ::BCryptCloseAlgorithmProvider(h, 0); }
};
using AlgHandle = UniqueResource<BCRYPT_ALG_HANDLE, AlgTraits>;

struct HashTraits {
    static BCRYPT_HASH_HANDLE Invalid() { return nullptr; }
    static bool Valid(BCRYPT_HASH_HANDLE h) { return h != nullptr; }
    static void Close(BCRYPT_HASH_HANDLE h) { ::BCryptDestroyHash(h); }
};
using HashHandle = UniqueResource<BCRYPT_HASH_HANDLE, HashTraits>;

struct KeyTraits {
    static BCRYPT_KEY_HANDLE Invalid() { return nullptr; }
    static bool Valid(BCRYPT_KEY_HANDLE h) { return h != nullptr; }
    static void Close(BCRYPT_KEY_HANDLE h) { ::BCryptDestroyKey(h); }
};
using CngKey = UniqueResource<BCRYPT_KEY_HANDLE, KeyTraits>;

bool Ok(NTSTATUS s) {
    return s >= 0;
}

// A running SHA-256: fed in pieces, finished once.
class Sha256Hasher {
  public:
    Sha256Hasher() {
        if (!Ok(::BCryptOpenAlgorithmProvider(alg_.put(), BCRYPT_SHA256_ALGORITHM, nullptr, 0)) ||
            !Ok(::BCryptCreateHash(alg_.get(), hash_.put(), nullptr, 0, nullptr, 0, 0)))
            throw AppError("SHA-256 ist auf diesem System nicht verf\xFC"
                           "gbar");
    }
    void Add(const void* data, size_t size) {
        const auto* p = static_cast<const uint8_t*>(data);
        while (size) {
            ULONG piece = static_cast<ULONG>(std::min<size_t>(size, 1u << 30));
            if (!Ok(::BCryptHashData(hash_.get(), const_cast<PUCHAR>(p), piece, 0)))
                throw AppError("SHA-256 fehlgeschlagen");
            p += piece;
            size -= piece;
        }
    }
    Sha256Digest Finish() {
        Sha256Digest d{};
        if (!Ok(::BCryptFinishHash(hash_.get(), d.data(), static_cast<ULONG>(d.size()), 0)))
            throw AppError("SHA-256 fehlgeschlagen");
        return d;
    }

  private:
    AlgHandle alg_;
    HashHandle hash_;
};

} // namespace

Sha256Digest Sha256(std::string_view bytes) {
    Sha256Hasher h;
    h.Add(bytes.data(), bytes.size());
    return h.Finish();
}

std::optional<Sha256Digest> Sha256File(const std::string& path) {
    UniqueHandle f(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!f) return std::nullopt;
    try {
        Sha256Hasher h;
        std::vector<char> buf(1 << 16);
        for (;;) {
            DWORD got = 0;
            if (!::ReadFile(f.get(), buf.data(), static_cast<DWORD>(buf.size()), &got, nullptr))
                return std::nullopt;
            if (got == 0) break;
            h.Add(buf.data(), got);
        }
        return h.Finish();
    } catch (const AppError&) {
        return std::nullopt;
    }
}

bool VerifyEcdsaP256(const EcPublicKey& key, std::string_view message, std::string_view signature) {
    auto sig = ParseEcdsaSignature(signature);
    if (!sig) return false;
    try {
        Sha256Digest digest = Sha256(message);
        AlgHandle alg;
        if (!Ok(::BCryptOpenAlgorithmProvider(alg.put(), BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0)))
            return false;
        std::vector<uint8_t> blob(sizeof(BCRYPT_ECCKEY_BLOB) + key.size());
        auto* head = reinterpret_cast<BCRYPT_ECCKEY_BLOB*>(blob.data());
        head->dwMagic = BCRYPT_ECDSA_PUBLIC_P256_MAGIC;
        head->cbKey = 32;
        std::copy(key.begin(), key.end(), blob.begin() + sizeof(BCRYPT_ECCKEY_BLOB));
        CngKey k;
        if (!Ok(::BCryptImportKeyPair(alg.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, k.put(),
                                      blob.data(), static_cast<ULONG>(blob.size()), 0)))
            return false;
        // Only STATUS_SUCCESS counts: every other answer, a bad signature or
        // a failure of the system, refuses.
        return ::BCryptVerifySignature(k.get(), nullptr, digest.data(),
                                       static_cast<ULONG>(digest.size()), sig->data(),
                                       static_cast<ULONG>(sig->size()), 0) == 0;
    } catch (const AppError&) {
        return false;
    }
}

} // namespace qv
