#pragma once
// SHA-256 and ECDSA P-256 signature checks. The hashing and the signature
// check go through the system's cryptography (CNG, bcrypt) in Crypto_win.cpp;
// the encodings around them (hex, DER signatures, PEM public keys) are pure
// code in Crypto.cpp, so they also build natively for fuzzing.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace qv {

using Sha256Digest = std::array<uint8_t, 32>;
// An uncompressed P-256 point without its 0x04 lead byte: X then Y, 32
// bytes each, big-endian.
using EcPublicKey = std::array<uint8_t, 64>;
// An ECDSA P-256 signature as r then s, 32 bytes each, big-endian.
using EcSignature = std::array<uint8_t, 64>;

// --- pure ---

// Lower-case hex, two digits per byte.
std::string ToHex(std::span<const uint8_t> bytes);
// Exactly 64 hex digits (either case) into a digest; nothing for any other text.
std::optional<Sha256Digest> ParseSha256Hex(std::string_view hex);

// A signature in either of the two usual forms: DER (SEQUENCE of two
// INTEGERs, as OpenSSL and Python write it) or the raw 64 bytes r || s (as
// CNG writes it). Strict DER: no trailing bytes, no values wider than 32
// bytes, minimal lengths. Nothing for anything else.
std::optional<EcSignature> ParseEcdsaSignature(std::string_view bytes);

// A P-256 public key from the text of a key file: a PEM "PUBLIC KEY"
// (SubjectPublicKeyInfo of id-ecPublicKey on prime256v1, uncompressed
// point), the 65 raw bytes 0x04 || X || Y, the 64 bytes X || Y, or either of
// those raw forms written as hex. Nothing for anything else.
std::optional<EcPublicKey> ParseEcPublicKey(std::string_view text);

// --- through the system ---

// A running SHA-256: fed in pieces, finished once. Throws AppError when the
// system offers no SHA-256.
class Sha256Hasher {
  public:
    Sha256Hasher();
    ~Sha256Hasher();
    Sha256Hasher(const Sha256Hasher&) = delete;
    Sha256Hasher& operator=(const Sha256Hasher&) = delete;
    void Add(const void* data, size_t size);
    Sha256Digest Finish();

  private:
    void* hash_ = nullptr; // the system's hash object
};

// SHA-256 of the bytes. Throws AppError when the system offers no SHA-256.
Sha256Digest Sha256(std::string_view bytes);
// SHA-256 of a whole file, read in pieces (memory stays small whatever the
// file's size). Nothing when the file cannot be opened or read.
std::optional<Sha256Digest> Sha256File(const std::string& path);
// True only when signature (DER or raw) is a valid ECDSA P-256 signature of
// the SHA-256 of message under key. Any failure, of the check or of the
// system, gives false.
bool VerifyEcdsaP256(const EcPublicKey& key, std::string_view message, std::string_view signature);

} // namespace qv
