#pragma once

#include <string>
#include <vector>

namespace velm {

// Lines of a text split at CR LF, LF or CR; a final line break ends the last
// line rather than starting an empty one.
std::vector<std::string> splitTextLines(const std::string& text);
// The lines, each ended by CR LF.
std::string joinTextLines(const std::vector<std::string>& lines);

}  // namespace velm
