#pragma once

#include <cstddef>

namespace velm {

// The length of the UTF-8 sequence that starts at `p` (lead byte and
// continuation bytes, at most `left` bytes), or 0 when none starts there.
// Overlong forms and surrogates pass: decoders check those.
inline std::size_t utf8SequenceLength(const char* p, std::size_t left) {
    const auto b = static_cast<unsigned char>(p[0]);
    const std::size_t n = b < 0x80         ? 1
                          : (b >> 5) == 6  ? 2
                          : (b >> 4) == 14 ? 3
                          : (b >> 3) == 30 ? 4
                                           : 0;
    if (n == 0 || n > left) return 0;
    for (std::size_t i = 1; i < n; ++i)
        if ((static_cast<unsigned char>(p[i]) & 0xC0) != 0x80) return 0;
    return n;
}

}  // namespace velm
