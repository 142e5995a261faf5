#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace velm {

// What the key file and the signature file share.

inline constexpr const char* kPublicKeyFile = "atualiza.pub";
// The folder's public key file is read only up to this size.
inline constexpr std::size_t kMaxPublicKeyFileBytes = 4 * 1024;
inline constexpr const char* kUntrustedCommentPrefix = "untrusted comment: ";
inline constexpr const char* kTrustedCommentPrefix = "trusted comment: ";
// "Ed" signs the file itself; "ED" signs its BLAKE2b-512 digest. Keys are "Ed".
inline constexpr const char* kLegacyAlgorithm = "Ed";
inline constexpr const char* kPrehashedAlgorithm = "ED";

// The lines of a key or signature file split at LF (a CR before it
// dropped), without the empty lines that end it.
std::vector<std::string> significantLines(std::string_view file);

}  // namespace velm
