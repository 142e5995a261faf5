#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velm {

// Standard base64 (RFC 4648 alphabet, "=" padding, no line breaks or
// blanks): the bytes, or nothing for any other text.
std::optional<std::string> decodeBase64(std::string_view text);

}  // namespace velm
