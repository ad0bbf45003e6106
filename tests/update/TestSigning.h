#pragma once
// Signing with the test key pair of tests/update/keys, through the system's
// CNG functions, so the tests can make signed file lists of any content
// (also ones the publishing script would refuse to make).
#include "base/Crypto.h"

#include <string>
#include <string_view>

namespace qv::test {

// The public half, as update.exe is built with it by default.
EcPublicKey TestUpdateKey();
// The raw r || s signature of the message's SHA-256 with the private half.
std::string SignWithTestKey(std::string_view message);

} // namespace qv::test
