#pragma once

#include <string>
#include <string_view>

namespace velm {

// Small text rules for protocol words, keywords, parameter and alias names.
// These are ASCII: only ASCII letters are folded.

// Blank: any character from code 0 to the space.
inline bool isBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

// The text without blanks at either end.
std::string_view trimBlanks(std::string_view text);
inline std::string trimmed(std::string_view text) {
    return std::string(trimBlanks(text));
}

std::string asciiUpper(std::string_view text);
std::string asciiLower(std::string_view text);
// Equal when ASCII letter case is ignored.
bool sameIgnoringAsciiCase(std::string_view a, std::string_view b);

}  // namespace velm
