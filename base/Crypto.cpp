// The encodings around the cryptography: hex, DER signatures, PEM keys.
// Pure code; the system calls are in Crypto_win.cpp.
#include "base/Crypto.h"

#include <algorithm>
#include <vector>

namespace qv {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Hex digits into bytes; nothing when the text is not an even run of them.
std::optional<std::vector<uint8_t>> FromHex(std::string_view hex) {
    if (hex.size() % 2) return std::nullopt;
    std::vector<uint8_t> out;
    out.reserve(hex.size() / 2);
    for (size_t i = 0; i < hex.size(); i += 2) {
        int hi = HexValue(hex[i]), lo = HexValue(hex[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out.push_back(static_cast<uint8_t>(hi * 16 + lo));
    }
    return out;
}

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

// Standard base64 with padding; blanks and line ends between the characters
// are skipped. Nothing for any other character or a broken length.
std::optional<std::vector<uint8_t>> FromBase64(std::string_view text) {
    std::vector<uint8_t> out;
    uint32_t bits = 0;
    int count = 0, padding = 0;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
        if (c == '=') {
            ++padding;
            continue;
        }
        int v = Base64Value(c);
        if (v < 0 || padding) return std::nullopt; // nothing may follow the padding
        bits = (bits << 6) | static_cast<uint32_t>(v);
        if (++count == 4) {
            out.push_back(static_cast<uint8_t>(bits >> 16));
            out.push_back(static_cast<uint8_t>(bits >> 8));
            out.push_back(static_cast<uint8_t>(bits));
            bits = 0;
            count = 0;
        }
    }
    if (count == 0 && padding == 0) return out;
    if (count == 2 && padding == 2) {
        out.push_back(static_cast<uint8_t>(bits >> 4));
        return out;
    }
    if (count == 3 && padding == 1) {
        out.push_back(static_cast<uint8_t>(bits >> 10));
        out.push_back(static_cast<uint8_t>(bits >> 2));
        return out;
    }
    return std::nullopt;
}

// One DER INTEGER of a signature into a 32-byte big-endian slot. Advances
// pos past it.
bool ReadDerInteger(std::string_view der, size_t& pos, uint8_t* slot) {
    if (pos + 2 > der.size() || static_cast<uint8_t>(der[pos]) != 0x02) return false;
    size_t len = static_cast<uint8_t>(der[pos + 1]);
    pos += 2;
    if (len == 0 || len > 33 || pos + len > der.size()) return false;
    std::string_view v = der.substr(pos, len);
    pos += len;
    auto b = [&](size_t i) { return static_cast<uint8_t>(v[i]); };
    if (b(0) & 0x80) return false;                            // negative
    if (len > 1 && b(0) == 0 && !(b(1) & 0x80)) return false; // not minimal
    if (b(0) == 0 && len > 1) v.remove_prefix(1);
    if (v.size() > 32) return false;
    std::fill(slot, slot + 32, uint8_t{0});
    std::copy(v.begin(), v.end(), slot + (32 - v.size()));
    return true;
}

// SubjectPublicKeyInfo of id-ecPublicKey (1.2.840.10045.2.1) with the curve
// prime256v1 (1.2.840.10045.3.1.7), followed by the BIT STRING's header and
// its unused-bits byte. The uncompressed point follows.
constexpr uint8_t kP256SpkiPrefix[] = {0x30, 0x59, 0x30, 0x13, 0x06, 0x07, 0x2a, 0x86, 0x48,
                                       0xce, 0x3d, 0x02, 0x01, 0x06, 0x08, 0x2a, 0x86, 0x48,
                                       0xce, 0x3d, 0x03, 0x01, 0x07, 0x03, 0x42, 0x00};

std::optional<EcPublicKey> KeyFromPoint(const std::vector<uint8_t>& point) {
    EcPublicKey key{};
    if (point.size() == 65 && point[0] == 0x04) {
        std::copy(point.begin() + 1, point.end(), key.begin());
        return key;
    }
    if (point.size() == 64) {
        std::copy(point.begin(), point.end(), key.begin());
        return key;
    }
    return std::nullopt;
}

std::string_view TrimmedView(std::string_view s) {
    while (!s.empty() && static_cast<uint8_t>(s.front()) <= ' ')
        s.remove_prefix(1);
    while (!s.empty() && static_cast<uint8_t>(s.back()) <= ' ')
        s.remove_suffix(1);
    return s;
}

} // namespace

std::string ToHex(std::span<const uint8_t> bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (uint8_t b : bytes) {
        out.push_back(digits[b >> 4]);
        out.push_back(digits[b & 15]);
    }
    return out;
}

std::optional<Sha256Digest> ParseSha256Hex(std::string_view hex) {
    if (hex.size() != 64) return std::nullopt;
    auto bytes = FromHex(hex);
    if (!bytes) return std::nullopt;
    Sha256Digest d{};
    std::copy(bytes->begin(), bytes->end(), d.begin());
    return d;
}

std::optional<EcSignature> ParseEcdsaSignature(std::string_view bytes) {
    EcSignature sig{};
    // DER: 0x30, a short length covering the rest exactly, two INTEGERs.
    if (bytes.size() >= 8 && static_cast<uint8_t>(bytes[0]) == 0x30 &&
        static_cast<uint8_t>(bytes[1]) < 0x80 &&
        static_cast<size_t>(static_cast<uint8_t>(bytes[1])) + 2 == bytes.size()) {
        size_t pos = 2;
        if (ReadDerInteger(bytes, pos, sig.data()) && ReadDerInteger(bytes, pos, sig.data() + 32) &&
            pos == bytes.size())
            return sig;
    }
    // Raw r || s; an r that begins like DER is still raw when DER failed.
    if (bytes.size() == 64) {
        std::copy(bytes.begin(), bytes.end(), sig.begin());
        return sig;
    }
    return std::nullopt;
}

std::optional<EcPublicKey> ParseEcPublicKey(std::string_view text) {
    static constexpr std::string_view kBegin = "-----BEGIN PUBLIC KEY-----";
    static constexpr std::string_view kEnd = "-----END PUBLIC KEY-----";
    size_t begin = text.find(kBegin);
    if (begin != std::string_view::npos) {
        size_t from = begin + kBegin.size();
        size_t end = text.find(kEnd, from);
        if (end == std::string_view::npos) return std::nullopt;
        auto der = FromBase64(text.substr(from, end - from));
        if (!der || der->size() != sizeof(kP256SpkiPrefix) + 65) return std::nullopt;
        if (!std::equal(std::begin(kP256SpkiPrefix), std::end(kP256SpkiPrefix), der->begin()))
            return std::nullopt;
        return KeyFromPoint(
            std::vector<uint8_t>(der->begin() + sizeof(kP256SpkiPrefix), der->end()));
    }
    if (text.size() == 64 || text.size() == 65) {
        auto raw = KeyFromPoint(std::vector<uint8_t>(text.begin(), text.end()));
        if (raw) return raw;
    }
    auto hex = FromHex(TrimmedView(text));
    if (!hex) return std::nullopt;
    return KeyFromPoint(*hex);
}

} // namespace qv
