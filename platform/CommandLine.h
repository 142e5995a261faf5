#pragma once

#include <string>
#include <vector>

namespace velm {

// Splits a Windows command line into the program and its arguments the way
// the Microsoft C runtime builds argv: the program name ends at the first
// blank outside quotes, quotes in it only group; in arguments, 2n backslashes
// before a quote give n backslashes and the quote opens or closes a quoted
// part, 2n+1 give n backslashes and a literal quote, backslashes elsewhere
// are literal, and "" inside a quoted part is a literal quote.
std::vector<std::string> splitCommandLine(const std::string& commandLine);

}  // namespace velm
