#pragma once

#include <string>
#include <vector>

#include "ftp/FtpListItems.h"

namespace velm {

// The file name of a raw listing line as the window shows it: the last
// blank-separated word (blanks only; a tab does not separate), at most 1000
// characters, trimmed of characters up to code 32.
std::string NomeDaLinha(const std::string& line);

// For every raw line, the index of the parsed item made from it (its Data),
// or -1 for a line that gave no item (a "total" line, a blank line, a
// banner). Items are matched in order, so equal lines pair one by one.
std::vector<int> pairListingLines(const std::vector<std::string>& lines,
                                  const TFtpListItems& items);

// True for a raw line that is meant to make no item: an empty line, a "total"
// line or a directory banner. Any other line without an item is one the
// client could not read.
bool makesNoItem(const std::string& line);

}  // namespace velm
