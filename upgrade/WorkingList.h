#pragma once

#include <string>
#include <vector>

namespace velm {

// The upgrade run's working list: one text per ticked line of the database
// list, in list order, each "M-" followed by the line's entry (ANSI text).
std::vector<std::string> makeWorkingList(const std::vector<std::string>& tickedEntries);

// The database entry a working-list text names: the text from its third
// character on, at most 100 characters, blanks trimmed at both ends.
std::string workingListEntry(const std::string& workingText);

// The product key the catalogue's scripts are selected by, for a working-list
// text: "QUORIX_SENHA" when it begins with "M" (every one does), otherwise ""
// (the key is left as it was).
std::string productKeyFor(const std::string& workingText);

inline constexpr char kProductKey[] = "QUORIX_SENHA";

}  // namespace velm
