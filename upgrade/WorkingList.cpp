#include "upgrade/WorkingList.h"

#include "platform/AsciiText.h"

namespace velm {

std::vector<std::string> makeWorkingList(const std::vector<std::string>& tickedEntries) {
    std::vector<std::string> texts;
    texts.reserve(tickedEntries.size());
    for (const std::string& entry : tickedEntries) texts.push_back("M-" + entry);
    return texts;
}

std::string workingListEntry(const std::string& workingText) {
    if (workingText.size() <= 2) return {};
    return trimmed(std::string_view(workingText).substr(2, 100));
}

std::string productKeyFor(const std::string& workingText) {
    return workingText.starts_with('M') ? kProductKey : "";
}

}  // namespace velm
