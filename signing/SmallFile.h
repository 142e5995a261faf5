#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace velm {

// The whole content of a small file of the working folder, read through the
// platform's file system; nothing when it holds more than `maxBytes` (only
// maxBytes + 1 are ever read). Raises FileError when it cannot be read.
std::optional<std::string> readSmallFile(const std::string& name, std::size_t maxBytes);

}  // namespace velm
