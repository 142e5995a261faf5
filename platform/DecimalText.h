#pragma once

#include <charconv>
#include <concepts>
#include <optional>
#include <string_view>

namespace velm {

// Decimal integers in text: the one strict reader of the program. Protocol
// fields, listing columns, settings and SQL values all go through it.

inline bool isAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

// True for a non-empty text of ASCII digits only (no sign, no blanks).
bool isAsciiDigits(std::string_view text);

// The whole text as an integer of type T: an optional "-" (signed types only)
// or "+", then at least one digit, and nothing else; a value outside T's range
// gives nothing. Blanks are not skipped.
template <std::integral T>
std::optional<T> readInteger(std::string_view text) {
    // from_chars takes "-" (signed types only) but not "+"; either sign must
    // be followed by a digit.
    const bool hasSign = !text.empty() && (text.front() == '+' || text.front() == '-');
    if (text.size() <= std::size_t{hasSign} || !isAsciiDigit(text[hasSign])) return std::nullopt;
    if (text.front() == '+') text.remove_prefix(1);
    T value{};
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end) return std::nullopt;
    return value;
}

// Digits only, no sign: the form of counts, sizes and date fields.
template <std::integral T>
std::optional<T> readDigits(std::string_view text) {
    if (!isAsciiDigits(text)) return std::nullopt;
    return readInteger<T>(text);
}

}  // namespace velm
