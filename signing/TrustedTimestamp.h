#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velm {

// The signing time the key tool writes into the trusted comment by default
// ("timestamp:1702300000\tfile:SHA256SUMS\thashed"): the first tab-separated
// field "timestamp:" followed by decimal digits only. Nothing when no field
// has that form (or its value is past 64 bits).
std::optional<std::uint64_t> trustedTimestamp(std::string_view trustedComment);

// The list's expiry, which the maker's signing script may write beside the
// timestamp ("timestamp:1702300000\texpires:1704892000\t..."): absent when
// no field begins with "expires:"; present but without a value when what
// follows is not decimal digits (or is past 64 bits).
struct TrustedExpiry {
    bool present = false;
    std::optional<std::uint64_t> seconds;
};
TrustedExpiry trustedExpiry(std::string_view trustedComment);

// Seconds since 1970 as UTC: "2026-12-11T04:41:01Z" (the run log) and
// "11/12/2026 04:41:01 UTC" (the operator's box).
std::string timestampLogText(std::uint64_t seconds);
std::string timestampDisplayText(std::uint64_t seconds);

}  // namespace velm
