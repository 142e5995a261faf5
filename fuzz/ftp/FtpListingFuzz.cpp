// The directory-listing parser on arbitrary lines, with and without details,
// at a fixed "now".
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ftp/FtpErrors.h"
#include "ftp/FtpListParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool details = (data[0] & 1) == 0;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    std::vector<std::string> lines;
    std::size_t from = 0;
    while (from <= text.size()) {
        const std::size_t end = text.find_first_of("\r\n", from);
        lines.push_back(text.substr(from, end == std::string::npos ? std::string::npos : end - from));
        if (end == std::string::npos) break;
        from = end + 1;
    }
    const velm::DateTime now = velm::encodeDateTime({2024, 6, 15, 10, 0, 0, 0});
    velm::TFtpListItems items;
    try {
        velm::parseFtpListing(lines, details, now, items);
    } catch (const velm::EFtpListingError&) {
        // An invalid date in a Unix entry.
    }
    if (items.Count() > static_cast<int>(lines.size())) __builtin_trap();
    for (const velm::TFtpListItem& item : items)
        if (item.FileName.empty()) __builtin_trap();
    return 0;
}
