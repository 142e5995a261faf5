#pragma once

#include <string>

namespace velm {

// The process's current folder (the installation folder the program was
// started in), as ANSI text; "" when the system cannot say.
std::string workingFolder();

}  // namespace velm
