#include "signing/Sha256Hasher.h"

#include <gcrypt.h>

#include <cstring>

#include "platform/Errors.h"
#include "signing/SignatureCrypto.h"

namespace velm {

void Sha256Hasher::Close::operator()(gcry_md_handle* handle) const {
    gcry_md_close(handle);
}

Sha256Hasher::Sha256Hasher() {
    initialiseCryptoLibrary();
    gcry_md_hd_t md = nullptr;
    if (gcry_md_open(&md, GCRY_MD_SHA256, 0) != 0)
        throw Error("N\xE3o foi poss\xEDvel iniciar o c\xE1lculo de SHA-256.");
    md_.reset(md);
}

Sha256Hasher::~Sha256Hasher() = default;

void Sha256Hasher::update(const char* data, std::size_t size) {
    gcry_md_write(md_.get(), data, size);
}

Sha256Digest Sha256Hasher::finish() {
    Sha256Digest digest{};
    std::memcpy(digest.data(), gcry_md_read(md_.get(), GCRY_MD_SHA256), digest.size());
    gcry_md_reset(md_.get());
    return digest;
}

Sha256Digest sha256(std::string_view data) {
    initialiseCryptoLibrary();
    Sha256Digest digest{};
    gcry_md_hash_buffer(GCRY_MD_SHA256, digest.data(), data.data(), data.size());
    return digest;
}

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::optional<Sha256Digest> readHexDigest(std::string_view hex) {
    Sha256Digest digest{};
    if (hex.size() != 2 * digest.size()) return std::nullopt;
    for (std::size_t i = 0; i < digest.size(); ++i) {
        const int high = hexValue(hex[2 * i]);
        const int low = hexValue(hex[2 * i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        digest[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return digest;
}

std::string hexDigest(const Sha256Digest& digest) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    text.reserve(digest.size() * 2);
    for (const std::uint8_t byte : digest) {
        text += kHex[byte >> 4];
        text += kHex[byte & 15];
    }
    return text;
}

}  // namespace velm
