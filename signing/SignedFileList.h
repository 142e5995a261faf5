#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "signing/MinisignPublicKey.h"
#include "signing/Sha256Hasher.h"
#include "signing/Sha256Sums.h"

namespace velm {

// Bounds of the two list files, fetched into memory: past them is a failure.
inline constexpr std::size_t kMaxSumsBytes = 4 * 1024 * 1024;
inline constexpr std::size_t kMaxSignatureBytes = 4 * 1024;

// The maker's signed list of a release's files, accepted: the signature
// and the global signature over the trusted comment verified with the
// folder's key, the signing time no older than the last accepted one. It
// answers, for each name of the listing, the digest the file must have.
class SignedFileList {
public:
    // Checks, in this order: the bounds, the key file, the signature file,
    // the key id, the signature over `sums` ("Ed": the file itself; "ED":
    // its BLAKE2b-512 digest), the global signature, the timestamp, the
    // timestamp against `lastAccepted` (nothing: no list accepted yet), the
    // expiry against `now` (seconds since 1970 UTC; nothing: the computer's
    // clock) when the trusted comment carries one, and only then reads
    // `sums`. Raises SignedListError with the operator's text for the first
    // that fails.
    static SignedFileList verify(std::string_view publicKeyFile, std::string_view sums,
                                 std::string_view signature,
                                 std::optional<std::uint64_t> lastAccepted,
                                 std::optional<std::uint64_t> now = std::nullopt);

    std::uint64_t timestamp() const { return timestamp_; }
    const MinisignKeyId& keyId() const { return keyId_; }
    bool prehashed() const { return prehashed_; }
    std::size_t fileCount() const { return sums_.size(); }

    // The digest the list gives the name (compared byte by byte), or null.
    const Sha256Digest* expectedDigest(const std::string& name) const;

    // For each listed entry: raises Error with the operator's text when the
    // entry must be named in the list and is not. The two list files and
    // the libraries' folder, which the run never fetches, need not be.
    void checkNamed(const std::string& name) const;
    // For each download, before it replaces anything: raises Error with the
    // operator's text when the file's digest is not the one listed. The two
    // list files, fetched again as ordinary entries, must be the very bytes
    // that were verified (the server could have changed them meanwhile).
    void checkDownloaded(const std::string& name, const Sha256Digest& digest) const;

    // The digest a download of the name must have: the list's, or for the
    // two list files the digest of the bytes verified. Null when unlisted.
    const Sha256Digest* digestFor(const std::string& name) const;

    // Every name the list holds, in byte order: the files the folder must
    // hold with the listed digests once the release is installed.
    std::vector<std::string> names() const { return sums_.names(); }
    // Raises SignedListError (NotOnServer) naming the first name of the list
    // for which `offered` is false: a file the server withholds would leave
    // the folder a mix of two releases.
    void requireOffered(const std::function<bool(const std::string&)>& offered) const;

    // True for the names a listing needs no list entry for.
    static bool exempt(const std::string& name);

private:
    SignedFileList(Sha256Sums sums, MinisignKeyId keyId, std::uint64_t timestamp, bool prehashed,
                   Sha256Digest sumsDigest, Sha256Digest signatureDigest)
        : sums_(std::move(sums)), keyId_(keyId), timestamp_(timestamp), prehashed_(prehashed),
          sumsDigest_(sumsDigest), signatureDigest_(signatureDigest) {}

    Sha256Sums sums_;
    MinisignKeyId keyId_;
    std::uint64_t timestamp_;
    bool prehashed_;
    Sha256Digest sumsDigest_;
    Sha256Digest signatureDigest_;
};

// The folder's public key file as bytes: nothing when it is absent (signed
// lists are off and nothing of them runs). Raises SignedListError
// (BadPublicKey) for one past its bound, FileError when it cannot be read.
std::optional<std::string> readPublicKeyFile();

// Raises SignedListError (NotPublished) unless the listing named both list
// files; `sumsListed` and `signatureListed` say which it did.
void requireListFiles(bool sumsListed, bool signatureListed);

}  // namespace velm
