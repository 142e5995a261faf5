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
// A line that holds "COMMIT WORK" beside comments only ("-- COMMIT WORK;",
// "/* COMMIT WORK */", "COMMIT WORK; -- fim") is blanked too when, as the
// script's splitter reads the script (starting with `terminator`), blanking
// it leaves every statement the engine runs as it was: such a line stands
// between statements and drops no SQL. Inside a statement, a literal or a
// comment that goes on past the line, blanking it would change what runs.
//
// Such a line, or one that holds "COMMIT WORK" beside any other text
// ("INSERT ...; COMMIT WORK;", "WHERE ID=5; COMMIT WORK;"), cannot be
// blanked without changing the script, nor run as it stands: the index of
// the first such line is returned (the script must not run), and those
// lines are left as they are.
std::optional<std::size_t> blankCommitWorkLines(std::vector<std::string>& lines,
                                                const std::string& terminator = ";");

}  // namespace velm
