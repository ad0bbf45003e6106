// SHA-256 and the ECDSA P-256 check through the system, and the encodings
// around them. The signature below was made with Python's cryptography
// over "hello world\n" with the test key of tests/update/keys.
#include "base/Crypto.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cctype>

namespace qv {
namespace {

const char kTestPublicPem[] = "-----BEGIN PUBLIC KEY-----\n"
                              "MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAEr5Q26iyBJ8Z3Y/YrBnX96Tf+BduR\n"
                              "LDyKRSb4iS7Ml4YA+xA8b9C6G3uIzMIYys8Cttf7FEHj0pHvY0JpQ8ymuw==\n"
                              "-----END PUBLIC KEY-----\n";
const char kTestPointHex[] = "04af9436ea2c8127c67763f62b0675fde937fe05db912c3c8a4526f8892ecc9786"
                             "00fb103c6fd0ba1b7b88ccc218cacf02b6d7fb1441e3d291ef63426943cca6bb";
const char kOtherPointHex[] = "04a2ccfcda62822a74b9df671ab584081e9ef18082f7fd024d395b146f2b458d5b"
                              "caee8daa2fc03a73ee5040d1969ed34890a54db04f1a0cc610c61a4b95c51648";
const char kDerSignatureHex[] =
    "304502203f7d6a99ceed6116e94abef9bf3f6e2eb15fa73cbb32cea72420f7bb010c966c022100eca3c816e4bcb6"
    "ebc41b59a4196af9ff71994a8ebd69df1a0649cd5dc95e9cd1";
const char kRawSignatureHex[] =
    "3f7d6a99ceed6116e94abef9bf3f6e2eb15fa73cbb32cea72420f7bb010c966ceca3c816e4bcb6ebc41b59a4196a"
    "f9ff71994a8ebd69df1a0649cd5dc95e9cd1";
const std::string kMessage = "hello world\n";

std::string Bytes(std::string_view hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return out;
}

EcPublicKey TestKey() {
    auto key = ParseEcPublicKey(kTestPublicPem);
    EXPECT_TRUE(key);
    return key.value_or(EcPublicKey{});
}

TEST(Sha256, KnownDigestsOfBytesAndFiles) {
    EXPECT_EQ(ToHex(Sha256("")),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(ToHex(Sha256("abc")),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");

    test::TempDir dir;
    std::string big;
    for (int i = 0; big.size() < 300000; ++i)
        big += std::to_string(i);
    test::WriteBytes(dir / "big.bin", big);
    test::WriteBytes(dir / "empty.bin", "");
    // Read in pieces, the digest of a large file is that of its bytes.
    EXPECT_EQ(Sha256File(dir / "big.bin"), Sha256(big));
    EXPECT_EQ(Sha256File(dir / "empty.bin"), Sha256(""));
    EXPECT_FALSE(Sha256File(dir / "missing.bin"));
}

TEST(Sha256, HexReadsBackAndRefusesAnythingElse) {
    Sha256Digest d = Sha256("abc");
    EXPECT_EQ(ParseSha256Hex(ToHex(d)), d);
    std::string upper = ToHex(d);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(ParseSha256Hex(upper), d);
    EXPECT_FALSE(ParseSha256Hex(ToHex(d).substr(1)));
    EXPECT_FALSE(ParseSha256Hex(ToHex(d) + "0"));
    EXPECT_FALSE(ParseSha256Hex(std::string(63, '0') + "g"));
}

TEST(EcdsaKey, ReadsPemAndRawPointsAndRefusesOtherKeys) {
    EcPublicKey fromPem = TestKey();
    std::string point = Bytes(kTestPointHex);
    EXPECT_EQ(ToHex(fromPem), std::string(kTestPointHex).substr(2));
    EXPECT_EQ(ParseEcPublicKey(point), fromPem);
    EXPECT_EQ(ParseEcPublicKey(point.substr(1)), fromPem);
    EXPECT_EQ(ParseEcPublicKey(std::string(kTestPointHex) + "\n"), fromPem);

    // Another curve's identifier (one byte of the OID changed) or a broken
    // base64 body is no key.
    std::string otherCurve = kTestPublicPem;
    otherCurve.replace(otherCurve.find("DAQcDQ"), 6, "DAQgDQ");
    EXPECT_FALSE(ParseEcPublicKey(otherCurve));
    std::string broken = kTestPublicPem;
    broken.replace(broken.find("MFkw"), 4, "MF*w");
    EXPECT_FALSE(ParseEcPublicKey(broken));
    EXPECT_FALSE(ParseEcPublicKey("-----BEGIN PUBLIC KEY-----\nMFkw"));
    EXPECT_FALSE(ParseEcPublicKey(point.substr(2)));
    EXPECT_FALSE(ParseEcPublicKey(""));
}

TEST(EcdsaVerify, AcceptsOnlyTheSignatureOfTheExactBytes) {
    const EcPublicKey key = TestKey();
    const std::string der = Bytes(kDerSignatureHex);
    const std::string raw = Bytes(kRawSignatureHex);
    EXPECT_TRUE(VerifyEcdsaP256(key, kMessage, der));
    EXPECT_TRUE(VerifyEcdsaP256(key, kMessage, raw));
    EXPECT_EQ(ParseEcdsaSignature(der), ParseEcdsaSignature(raw));

    // One flipped bit anywhere refuses.
    std::string message = kMessage;
    message[0] ^= 1;
    EXPECT_FALSE(VerifyEcdsaP256(key, message, der));
    EXPECT_FALSE(VerifyEcdsaP256(key, kMessage + " ", der));
    for (size_t i : {size_t{8}, size_t{40}, der.size() - 1}) {
        std::string flipped = der;
        flipped[i] ^= 0x10;
        EXPECT_FALSE(VerifyEcdsaP256(key, kMessage, flipped)) << i;
    }
    // Another key, a cut or padded signature, nothing at all.
    auto other = ParseEcPublicKey(Bytes(kOtherPointHex));
    ASSERT_TRUE(other);
    EXPECT_FALSE(VerifyEcdsaP256(*other, kMessage, der));
    EXPECT_FALSE(VerifyEcdsaP256(key, kMessage, der.substr(0, der.size() - 1)));
    EXPECT_FALSE(VerifyEcdsaP256(key, kMessage, der + '\0'));
    EXPECT_FALSE(VerifyEcdsaP256(key, kMessage, ""));
    EXPECT_FALSE(VerifyEcdsaP256(key, kMessage, std::string(64, '\0')));
}

TEST(EcdsaVerify, DerSignaturesAreReadStrictly) {
    const std::string der = Bytes(kDerSignatureHex);
    // s carries a lead zero byte because its top bit is set; without it the
    // INTEGER would be negative.
    std::string negative = der;
    negative.erase(negative.find(std::string("\x02\x21\x00", 3)) + 2, 1);
    negative[1] = static_cast<char>(negative[1] - 1);
    negative[negative.find(std::string("\x02\x21", 2)) + 1] = 0x20;
    EXPECT_FALSE(ParseEcdsaSignature(negative));
    // A needless lead zero, and a length that does not cover the rest.
    std::string padded = der;
    padded.insert(4, 1, '\0');
    padded[3] = 0x21;
    padded[1] = static_cast<char>(padded[1] + 1);
    EXPECT_FALSE(ParseEcdsaSignature(padded));
    std::string longer = der + "x";
    EXPECT_FALSE(ParseEcdsaSignature(longer));
    EXPECT_FALSE(ParseEcdsaSignature(der.substr(0, 7)));
}

} // namespace
} // namespace qv
