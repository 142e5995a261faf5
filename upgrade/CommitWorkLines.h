#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace velm {

// The catalogue scripts end their data changes with a line "COMMIT WORK;",
// which must not run inside the script: the upgrade run commits each script
// itself, together with its version. So every line that, with ASCII letters
// upper-cased, holds "COMMIT WORK" (one space between the words) is replaced
// by a single space, when, as the script's splitter reads the script
// (starting with `terminator`), blanking it leaves every statement the
// engine runs as it was: the line stands between statements (alone, beside
// its terminator, or beside comments: "-- COMMIT WORK;", "COMMIT WORK; --
// fim") and drops no SQL.
//
// A line inside a statement, a literal, a procedure's body or a comment that
// goes on past the line, or one that holds "COMMIT WORK" beside other SQL
// ("INSERT ...; COMMIT WORK;", "WHERE ID=5; COMMIT WORK;"), cannot be
// blanked without changing what runs, nor run as it stands: the index of
// the first such line is returned (the script must not run), and every line
// is left as it was, for the saved file.
std::optional<std::size_t> blankCommitWorkLines(std::vector<std::string>& lines,
                                                const std::string& terminator = ";");

// True for a line of "COMMIT WORK", blanks and a terminator only.
bool isWholeCommitWorkLine(const std::string& line);

}  // namespace velm
