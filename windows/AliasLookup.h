#pragma once

#include <string>
#include <vector>

namespace velm {

// Rules of the database list: where the product records its database and how
// an entry becomes a database path. Entries and paths are ANSI text.

// The database entry in the first line of Sys_Info.INI: the text from the
// 15th character on (at most 3000 characters), blanks and control characters
// removed from both ends. The first 14 characters are written by the product
// and skipped unseen.
std::string databaseEntryFromLine(const std::string& firstLine);

// Reads Sys_Info.INI in the current folder (ANSI) and returns the entry of
// its first line ("" for an empty file). Raises FileError when unreadable.
std::string readDatabaseEntryText();

// An entry is a database path when it contains ".GDB" or ".MDB" in any ASCII
// letter case; otherwise it names a database-engine alias.
bool isDatabasePath(const std::string& entry);

// The value of `parameter` among an alias's NAME=VALUE lines: every line that
// starts with exactly "parameter=" (case-sensitive) overwrites the result, so
// the last one wins; for "SERVER NAME" a line starting with "DATABASE NAME="
// counts too. At most 100 characters, not trimmed; "" when nothing matches.
std::string pickAliasParameter(const std::vector<std::string>& aliasParams,
                               const std::string& parameter);

// The same, looked up in the database engine's alias store. Any failure (an
// unknown alias above all) gives "".
std::string PegaBDEdados(const std::string& alias, const std::string& parameter);

// The database path of an entry: the entry itself when it is a path, the
// alias's "SERVER NAME" otherwise ("" when the alias cannot be resolved).
std::string resolveEntry(const std::string& entry);

}  // namespace velm
