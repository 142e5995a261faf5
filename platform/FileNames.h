#pragma once

#include <string>
#include <vector>

namespace velm {

// Name rules shared by the file-system implementations of every OS.

// Windows-1252 letter folded to lower case (ASCII, accented letters, S/Z
// caron, OE, Y diaeresis), the way the target's file names compare.
char foldFileNameChar(char c);
// Case-insensitive equality of two ANSI file names.
bool sameFileName(const std::string& a, const std::string& b);

// The non-empty components of a name split at "\" and "/".
std::vector<std::string> splitPath(const std::string& name);
bool isAbsoluteName(const std::string& name);
bool endsWithSeparator(const std::string& name);

}  // namespace velm
