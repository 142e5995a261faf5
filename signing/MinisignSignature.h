#pragma once

#include <string>
#include <string_view>

#include "signing/MinisignPublicKey.h"
#include "signing/SignatureCrypto.h"

namespace velm {

inline constexpr const char* kSumsSignatureFile = "SHA256SUMS.minisig";

// A signature file as the key tool writes it, four lines:
//   untrusted comment: ...
//   base64 of the algorithm ("Ed" or "ED"), the key id and the signature
//   trusted comment: TEXT
//   base64 of the global signature over the signature followed by TEXT
struct MinisignSignature {
    bool prehashed = false;  // "ED": the signature is over the file's BLAKE2b-512 digest
    MinisignKeyId keyId{};
    Ed25519Signature signature{};
    std::string trustedComment;  // TEXT, without its prefix
    Ed25519Signature globalSignature{};
};

// The parts of a signature file (LF or CR LF lines); raises SignedListError
// (BadSignatureFile) saying what is wrong. Nothing is verified here.
MinisignSignature readMinisignSignature(std::string_view file);

}  // namespace velm
