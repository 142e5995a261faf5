#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "signing/Sha256Hasher.h"

namespace velm {

inline constexpr const char* kSumsFile = "SHA256SUMS";

// The list sha256sum writes, one line per file: 64 hex digits (either case),
// a blank, a blank or "*" (binary mode), the name (blanks allowed). Lines
// end in LF or CR LF. A line beginning with "\" holds a name with "\\", "\n"
// or "\r" escaped, as sha256sum writes names holding those characters.
class Sha256Sums {
public:
    // Raises SignedListError (BadList) naming the first line that is not in
    // that form, or the first name listed twice (names compare byte by
    // byte, as the listing's names do everywhere in the run).
    static Sha256Sums read(std::string_view text);

    // The digest listed for the name, or null.
    const Sha256Digest* find(const std::string& name) const;
    std::size_t size() const { return digests_.size(); }
    // Every name listed, in byte order.
    std::vector<std::string> names() const;

private:
    std::unordered_map<std::string, Sha256Digest> digests_;
};

}  // namespace velm
