#pragma once

#include <cstdint>
#include <limits>

namespace velm {

// a × b / c computed in 64 bits and rounded to the nearest integer, halves away
// from zero. Like the system routine it returns -1 when c is 0 or the result
// does not fit in 32 bits.
constexpr int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    const std::int64_t product = std::int64_t{a} * b;
    const std::int64_t divisor = c;
    const bool negative = (product < 0) != (divisor < 0);
    const std::uint64_t p = product < 0 ? std::uint64_t(-product) : std::uint64_t(product);
    const std::uint64_t d = divisor < 0 ? std::uint64_t(-divisor) : std::uint64_t(divisor);
    const std::uint64_t q = (p + d / 2) / d;
    const std::int64_t result = negative ? -std::int64_t(q) : std::int64_t(q);
    if (result > std::numeric_limits<int>::max() || result < std::numeric_limits<int>::min())
        return -1;
    return int(result);
}

}  // namespace velm
