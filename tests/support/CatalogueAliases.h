#pragma once

#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace velm::test {

// The alias lines of an SQLite catalogue file: read-only as the program
// opens it, or writable to build it.
inline std::vector<std::string> sqliteCatalogueAlias(const std::string& file, bool writable) {
    std::vector<std::string> lines = {"DRIVER=SQLITE", "DATABASE NAME=" + file};
    if (writable) lines.push_back("OPEN MODE=READ/WRITE");
    return lines;
}

// A section of an alias store: its header and its lines.
inline std::vector<std::string> aliasSection(const std::string& name,
                                             const std::vector<std::string>& lines) {
    std::vector<std::string> section = {"[" + name + "]"};
    section.insert(section.end(), lines.begin(), lines.end());
    return section;
}

// An alias store with the catalogue's two aliases, "Check" (the program's
// connection) and "Admin" (a connection that may build the catalogue),
// followed by more lines (further sections, headers included).
inline void writeCatalogueAliases(const std::string& file, const std::vector<std::string>& check,
                                  const std::vector<std::string>& admin,
                                  const std::vector<std::string>& more = {}) {
    std::vector<std::string> lines = aliasSection("Check", check);
    const std::vector<std::string> adminSection = aliasSection("Admin", admin);
    lines.insert(lines.end(), adminSection.begin(), adminSection.end());
    lines.insert(lines.end(), more.begin(), more.end());
    fileSystem().writeTextLines(file, lines);
}

}  // namespace velm::test
