#include "signing/Base64.h"

namespace velm {

namespace {

int sextet(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

std::optional<std::string> decodeBase64(std::string_view text) {
    if (text.size() % 4 != 0) return std::nullopt;
    std::size_t padding = 0;
    while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == '=')
        ++padding;
    const std::string_view body = text.substr(0, text.size() - padding);
    std::string bytes;
    bytes.reserve(body.size() * 3 / 4);
    unsigned bits = 0;
    int count = 0;
    for (const char c : body) {
        const int value = sextet(c);
        if (value < 0) return std::nullopt;
        bits = (bits << 6) | static_cast<unsigned>(value);
        count += 6;
        if (count >= 8) {
            count -= 8;
            bytes += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    // The bits left over must be zero, or two texts would decode alike.
    if ((bits & ((1u << count) - 1)) != 0) return std::nullopt;
    return bytes;
}

}  // namespace velm
