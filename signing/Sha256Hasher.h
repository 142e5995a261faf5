#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

struct gcry_md_handle;

namespace velm {

using Sha256Digest = std::array<std::uint8_t, 32>;

// SHA-256 of a stream fed chunk by chunk as it arrives (a download hashes
// what it writes, so the file is never read a second time).
class Sha256Hasher {
public:
    Sha256Hasher();
    ~Sha256Hasher();
    Sha256Hasher(const Sha256Hasher&) = delete;
    Sha256Hasher& operator=(const Sha256Hasher&) = delete;

    void update(const char* data, std::size_t size);
    void update(std::string_view data) { update(data.data(), data.size()); }
    // The digest of everything fed so far; the hasher then starts afresh.
    Sha256Digest finish();

private:
    struct Close {
        void operator()(gcry_md_handle* handle) const;
    };
    std::unique_ptr<gcry_md_handle, Close> md_;
};

// The digest of a whole text at once.
Sha256Digest sha256(std::string_view data);

// Lower-case hex, as sha256sum writes it.
std::string hexDigest(const Sha256Digest& digest);
// The digest of 64 hex digits (either case); nothing for any other text.
std::optional<Sha256Digest> readHexDigest(std::string_view hex);

}  // namespace velm
