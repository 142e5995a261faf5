#pragma once

#include <string>
#include <utility>
#include <vector>

namespace velm {

// The database engine's store of aliases: an INI file, one section per
// alias ("[Check]"), its parameter lines NAME=VALUE below it. The file is
// named by the environment variable VELMUPDATE_ALIASES and read at every
// look-up, so a changed file is seen at once.
//
// Alias names compare without regard to ASCII letter case. Blank lines and
// lines starting with ";" or "#" are skipped; other lines keep their text
// (blanks around the whole line removed) and their order.
class AliasStore {
public:
    explicit AliasStore(std::string fileName) : fileName_(std::move(fileName)) {}

    // The alias's parameter lines in file order. Raises DatabaseError when
    // the alias is not in the file, FileError when the file cannot be read.
    std::vector<std::string> GetAliasParams(const std::string& alias) const;
    // The names of every alias, in file order.
    std::vector<std::string> aliasNames() const;

    const std::string& fileName() const { return fileName_; }

private:
    std::string fileName_;
};

// The process's alias store, from VELMUPDATE_ALIASES (raises DatabaseError
// when the variable is not set).
AliasStore aliasStore();
// Shorthand for aliasStore().GetAliasParams(alias).
std::vector<std::string> GetAliasParams(const std::string& alias);

// The value of a NAME=VALUE parameter line ("" when absent); the name is
// compared without regard to ASCII letter case, the last line wins.
std::string aliasParameter(const std::vector<std::string>& params, const std::string& name);

}  // namespace velm
