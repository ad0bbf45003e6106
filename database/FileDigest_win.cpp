#include "database/FileDigest.h"

#include "base/Handles.h"
#include "database/CRC.h"

#include <windows.h>
#include <bcrypt.h>

#include <memory>
#include <new>

namespace qv {

namespace {

bool Ok(NTSTATUS s) {
    return s >= 0;
}

// One SHA-256 provider for the whole process: opening the provider costs far
// more than hashing a small file, and a listing hashes a thousand of them.
// Nothing when the system offers no SHA-256.
BCRYPT_ALG_HANDLE Sha256Provider() {
    static BCRYPT_ALG_HANDLE alg = [] {
        BCRYPT_ALG_HANDLE h = nullptr;
        if (!Ok(::BCryptOpenAlgorithmProvider(&h, BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
            h = nullptr;
        return h;
    }();
    return alg;
}

class Sha256Run {
  public:
    Sha256Run() {
        if (BCRYPT_ALG_HANDLE alg = Sha256Provider())
            ok_ = Ok(::BCryptCreateHash(alg, &hash_, nullptr, 0, nullptr, 0, 0));
    }
    ~Sha256Run() {
        if (hash_) ::BCryptDestroyHash(hash_);
    }
    Sha256Run(const Sha256Run&) = delete;
    Sha256Run& operator=(const Sha256Run&) = delete;

    void Add(const unsigned char* data, DWORD size) {
        if (ok_ && size) ok_ = Ok(::BCryptHashData(hash_, const_cast<PUCHAR>(data), size, 0));
    }
    std::optional<Sha256Digest> Finish() {
        Sha256Digest d{};
        if (!ok_ || !Ok(::BCryptFinishHash(hash_, d.data(), static_cast<ULONG>(d.size()), 0)))
            return std::nullopt;
        return d;
    }

  private:
    BCRYPT_HASH_HANDLE hash_ = nullptr;
    bool ok_ = false;
};

} // namespace

FileDigests ReadFileDigests(const std::string& path) {
    FileDigests out;
    // Opened and read as FileCRC32 does it, so that the checksum is the same
    // in every case: others may keep reading and writing the file.
    UniqueHandle f(::CreateFileA(
        path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!f) return out;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(f.get(), &size) || size.QuadPart < 0) return out;
    Sha256Run sha;
    if (size.QuadPart == 0) {
        out.sha256 = sha.Finish(); // an empty file has no checksum, but a digest
        return out;
    }
    constexpr uint64_t kBlock = 1u << 20;
    uint64_t left = static_cast<uint64_t>(size.QuadPart);
    const size_t bufSize = static_cast<size_t>(left < kBlock ? left : kBlock);
    std::unique_ptr<unsigned char[]> buf(new (std::nothrow) unsigned char[bufSize]);
    if (!buf) return out;
    uint32_t crc = 0xFFFFFFFFu;
    while (left > 0) {
        DWORD want = static_cast<DWORD>(left < bufSize ? left : bufSize), got = 0;
        // A file that shrank under us is unreadable as a whole.
        if (!::ReadFile(f.get(), buf.get(), want, &got, nullptr) || got == 0) return out;
        crc = UpdateCRC32(crc, buf.get(), got);
        sha.Add(buf.get(), got);
        left -= got;
    }
    out.crc32 = static_cast<int32_t>(~crc);
    out.sha256 = sha.Finish();
    return out;
}

} // namespace qv
