#include "platform/AsciiText.h"

namespace velm {

namespace {

char upperOf(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
char lowerOf(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::string_view trimBlanks(std::string_view text) {
    std::size_t first = 0, last = text.size();
    while (first < last && isBlank(text[first])) ++first;
    while (last > first && isBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

std::string asciiUpper(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = upperOf(c);
    return result;
}

std::string asciiLower(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = lowerOf(c);
    return result;
}

bool sameIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upperOf(a[i]) != upperOf(b[i])) return false;
    return true;
}

}  // namespace velm
