#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "signing/SignatureCrypto.h"
#include "signing/SignedListError.h"

namespace velm {

using MinisignKeyId = std::array<std::uint8_t, 8>;

// The maker's public key as the key tool writes its file: a line
// "untrusted comment: ..." and a line of base64 holding "Ed", the key id
// (8 bytes) and the Ed25519 public key (32 bytes).
struct MinisignPublicKey {
    MinisignKeyId keyId{};
    Ed25519PublicKey key{};
};

// The key of a public key file (LF or CR LF lines); raises SignedListError
// (BadPublicKey) saying what is wrong.
MinisignPublicKey readMinisignPublicKey(std::string_view file);

// The error for a key file past kMaxPublicKeyFileBytes.
SignedListError oversizedPublicKeyFile();

// The key id as the key tool prints it: the 8 bytes read as a little-endian
// number, in upper-case hex without leading zeros.
std::string keyIdText(const MinisignKeyId& id);

}  // namespace velm
