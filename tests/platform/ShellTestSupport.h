#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/FileBytes.h"

namespace velm::test {

// The lines a started helper wrote to `path`, once the file is there (it
// appears whole), or nothing after 20 seconds.
inline std::vector<std::string> waitForLines(const std::filesystem::path& path) {
    for (int i = 0; i < 400 && !std::filesystem::exists(path); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const std::string text = readFileBytes(path);
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
        lines.push_back(text.substr(start, nl - start));
    return lines;
}

// The argument-echo helper program built beside the tests.
inline std::filesystem::path argsHelper() {
    return VELM_ARGS_HELPER;
}

}  // namespace velm::test
