#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace velm {

// The catalogue scripts end their data changes with a line "COMMIT WORK;",
// which must not run inside the script: the upgrade run commits each script
// itself, together with its version. So every line that, with ASCII letters
// upper-cased, holds nothing but "COMMIT WORK" (one space between the words),
// blanks around it and a terminator after it, is replaced by a single space.
//
// A line that holds "COMMIT WORK" beside any other text ("INSERT ...;
// COMMIT WORK;", "WHERE ID=5; COMMIT WORK;") cannot be blanked without
// dropping SQL, nor run as it stands: the index of the first such line is
// returned (the script must not run), and that line is left as it is.
std::optional<std::size_t> blankCommitWorkLines(std::vector<std::string>& lines);

}  // namespace velm
