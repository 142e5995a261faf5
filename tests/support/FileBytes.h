#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace velm::test {

// A file's whole content, byte for byte ("" when it cannot be read), read
// around the program's own file functions.
inline std::string readFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Writes (replacing) a file with exactly these bytes.
inline void writeFileBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace velm::test
