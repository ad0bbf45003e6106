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

void CloseAlgorithm(BCRYPT_ALG_HANDLE h) {
    ::BCryptCloseAlgorithmProvider(h, 0);
}
using AlgHandle =
    UniqueResource<BCRYPT_ALG_HANDLE, HandleTraits<BCRYPT_ALG_HANDLE, &CloseAlgorithm>>;
using CngKey =
    UniqueResource<BCRYPT_KEY_HANDLE, HandleTraits<BCRYPT_KEY_HANDLE, &::BCryptDestroyKey>>;

bool Ok(NTSTATUS s) {
    return s >= 0;
}

// One SHA-256 provider for the whole process: opening it costs far more
// than hashing a small file, and a listing hashes a thousand of them.
// Nothing when the system offers no SHA-256.
BCRYPT_ALG_HANDLE Sha256Provider() {
    static AlgHandle alg = [] {
        AlgHandle h;
        if (!Ok(::BCryptOpenAlgorithmProvider(h.put(), BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
            h.reset();
        return h;
    }();
    return alg.get();
}

} // namespace

Sha256Hasher::Sha256Hasher() {
    BCRYPT_ALG_HANDLE alg = Sha256Provider();
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (!alg || !Ok(::BCryptCreateHash(alg, &hash, nullptr, 0, nullptr, 0, 0)))
        throw AppError("SHA-256 ist auf diesem System nicht verf\xFC"
                       "gbar");
    hash_ = hash;
}

Sha256Hasher::~Sha256Hasher() {
    if (hash_) ::BCryptDestroyHash(static_cast<BCRYPT_HASH_HANDLE>(hash_));
}

void Sha256Hasher::Add(const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    while (size) {
        ULONG piece = static_cast<ULONG>(std::min<size_t>(size, 1u << 30));
        if (!Ok(::BCryptHashData(static_cast<BCRYPT_HASH_HANDLE>(hash_), const_cast<PUCHAR>(p),
                                 piece, 0)))
            throw AppError("SHA-256 fehlgeschlagen");
        p += piece;
        size -= piece;
    }
}

Sha256Digest Sha256Hasher::Finish() {
    Sha256Digest d{};
    if (!Ok(::BCryptFinishHash(static_cast<BCRYPT_HASH_HANDLE>(hash_), d.data(),
                               static_cast<ULONG>(d.size()), 0)))
        throw AppError("SHA-256 fehlgeschlagen");
    return d;
}

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
