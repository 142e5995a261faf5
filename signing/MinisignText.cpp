#include "signing/MinisignText.h"

namespace velm {

std::vector<std::string> significantLines(std::string_view file) {
    std::vector<std::string> lines;
    while (!file.empty()) {
        const std::size_t end = file.find('\n');
        std::string_view line = file.substr(0, end);
        if (line.ends_with('\r')) line.remove_suffix(1);
        lines.emplace_back(line);
        if (end == std::string_view::npos) break;
        file.remove_prefix(end + 1);
    }
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
}

}  // namespace velm
