// Feeds arbitrary bytes to the reply reader, in pieces whose sizes come from
// the input too, as a server's control connection would deliver them.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "ftp/FtpErrors.h"
#include "ftp/FtpReply.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t piece = data[0] % 64 + 1;
    const char* text = reinterpret_cast<const char*>(data + 1);
    const std::size_t length = size - 1;
    std::size_t at = 0;
    velm::FtpLineReader reader([&](char* out, std::size_t room) {
        const std::size_t n = std::min({room, piece, length - at});
        std::memcpy(out, text + at, n);
        at += n;
        return n;
    });
    try {
        while (auto reply = velm::readFtpReply(reader)) {
            if (reply->NumericCode < 0 || reply->NumericCode > 999 || reply->Text.empty())
                __builtin_trap();
            for (const std::string& line : reply->Text)
                if (line.size() > velm::FtpLineReader::kMaxLineLength) __builtin_trap();
        }
    } catch (const velm::FtpError&) {
        // Overlong lines and replies are refused.
    }
    return 0;
}
