#include "sync/ListingEntries.h"

#include <string_view>
#include <unordered_map>

#include "ftp/FtpListingRules.h"
#include "platform/AsciiText.h"

namespace velm {

std::string NomeDaLinha(const std::string& line) {
    const std::string text = trimmed(line);
    const std::size_t blank = text.rfind(' ');
    const std::size_t from = blank == std::string::npos ? 0 : blank;
    return trimmed(text.substr(from, 1000));
}

std::vector<int> pairListingLines(const std::vector<std::string>& lines,
                                  const TFtpListItems& items) {
    // The items made from each raw text, in listing order, and the first of
    // them not yet passed: a line finds its item, or learns it has none,
    // without scanning the items left, so a long listing full of banner lines
    // stays linear.
    struct Candidates {
        std::vector<int> items;
        std::size_t first = 0;
    };
    std::unordered_map<std::string_view, Candidates> byText;
    for (int i = 0; i < items.Count(); ++i) byText[items[i].Data].items.push_back(i);

    std::vector<int> pairs(lines.size(), -1);
    int next = 0;  // items before this one are taken
    for (std::size_t r = 0; r < lines.size(); ++r) {
        const auto found = byText.find(lines[r]);
        if (found == byText.end()) continue;
        Candidates& c = found->second;
        while (c.first < c.items.size() && c.items[c.first] < next) ++c.first;
        if (c.first == c.items.size()) continue;
        pairs[r] = c.items[c.first];
        next = pairs[r] + 1;
    }
    return pairs;
}

bool makesNoItem(const std::string& line) {
    return line.empty() || isTotalLine(line) || isDirectoryBanner(line);
}

}  // namespace velm
