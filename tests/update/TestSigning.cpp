#include "TestSigning.h"

#include <windows.h>
#include <bcrypt.h>

#include <gtest/gtest.h>

#include <vector>

namespace qv::test {

namespace {
// The key pair of tests/update/keys/test_update_private.pem: the point X || Y
// and the private scalar d.
const char kPointHex[] = "af9436ea2c8127c67763f62b0675fde937fe05db912c3c8a4526f8892ecc9786"
                         "00fb103c6fd0ba1b7b88ccc218cacf02b6d7fb1441e3d291ef63426943cca6bb";
const char kPrivateHex[] = "4351cabd41eb87c1df569aee033d3d5c291b6fdc02aacc7f4bf7f09d93b1a3c5";

std::vector<uint8_t> FromHex(std::string_view hex) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return out;
}
} // namespace

EcPublicKey TestUpdateKey() {
    auto key = ParseEcPublicKey(kPointHex);
    EXPECT_TRUE(key);
    return key.value_or(EcPublicKey{});
}

std::string SignWithTestKey(std::string_view message) {
    Sha256Digest digest = Sha256(message);
    BCRYPT_ALG_HANDLE alg = nullptr;
    EXPECT_EQ(::BCryptOpenAlgorithmProvider(&alg, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0), 0);
    std::vector<uint8_t> blob(sizeof(BCRYPT_ECCKEY_BLOB));
    auto* head = reinterpret_cast<BCRYPT_ECCKEY_BLOB*>(blob.data());
    head->dwMagic = BCRYPT_ECDSA_PRIVATE_P256_MAGIC;
    head->cbKey = 32;
    for (const char* part : {kPointHex, kPrivateHex})
        for (uint8_t b : FromHex(part))
            blob.push_back(b);
    BCRYPT_KEY_HANDLE key = nullptr;
    EXPECT_EQ(::BCryptImportKeyPair(alg, nullptr, BCRYPT_ECCPRIVATE_BLOB, &key, blob.data(),
                                    static_cast<ULONG>(blob.size()), 0),
              0);
    std::string sig(64, '\0');
    ULONG got = 0;
    EXPECT_EQ(::BCryptSignHash(key, nullptr, digest.data(), static_cast<ULONG>(digest.size()),
                               reinterpret_cast<PUCHAR>(sig.data()), static_cast<ULONG>(sig.size()),
                               &got, 0),
              0);
    EXPECT_EQ(got, 64u);
    ::BCryptDestroyKey(key);
    ::BCryptCloseAlgorithmProvider(alg, 0);
    return sig;
}

} // namespace qv::test
