#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace velm {

// The signature primitives the signed file lists need, all from libgcrypt:
// nothing of the cryptography is our own.

using Ed25519PublicKey = std::array<std::uint8_t, 32>;
using Ed25519Signature = std::array<std::uint8_t, 64>;
using Blake2b512Digest = std::array<std::uint8_t, 64>;

// True when `signature` is a valid Ed25519 signature of `message` by `key`
// (the pure scheme: the message itself, as RFC 8032 signs it). A malformed
// key or signature is simply not valid.
bool ed25519Verifies(const Ed25519PublicKey& key, std::string_view message,
                     const Ed25519Signature& signature);

// The unkeyed BLAKE2b digest of 64 bytes.
Blake2b512Digest blake2b512(std::string_view data);

// Sets the library up once per process (thread-safe); every function of the
// signed lists calls it first.
void initialiseCryptoLibrary();

}  // namespace velm
