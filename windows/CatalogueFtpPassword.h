#pragma once

#include <string>

namespace velm {

class Taguarde;

// The FTP password from the script catalogue, through the upgrade window's
// catalogue query Query3: the query's text replaced by `sql`, opened, the
// column read as text from the first row ("" without a row or for null),
// the query closed again (also on failure), the text descrambled into ANSI.
// Database errors pass on to the caller.
std::string readFtpPassword(Taguarde& aguarde, const std::string& sql, const std::string& column);

}  // namespace velm
