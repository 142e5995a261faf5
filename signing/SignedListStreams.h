#pragma once

#include <cstddef>
#include <memory>
#include <ostream>
#include <string>

#include "signing/Sha256Hasher.h"

namespace velm {

// The two streams a signed run hands the FTP client's Get.

// Collects a list file in memory; a byte past `bound` raises
// SignedListError (TooLarge) out of the write, which ends the transfer.
class BoundedTextStream : public std::ostream {
public:
    BoundedTextStream(const char* fileName, std::size_t bound);
    ~BoundedTextStream() override;
    const std::string& text() const;

private:
    class Buffer;
    std::unique_ptr<Buffer> buffer_;
};

// Passes every byte on to `target` (the download's replacement file) and
// hashes it on the way, so the file is never read a second time. Errors of
// the target come out as the target raised them.
class HashingStream : public std::ostream {
public:
    explicit HashingStream(std::ostream& target);
    ~HashingStream() override;
    // The digest of everything written.
    Sha256Digest finish();

private:
    class Buffer;
    std::unique_ptr<Buffer> buffer_;
};

}  // namespace velm
