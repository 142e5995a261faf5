#pragma once

#include <string>

#include "upgrade/DatabaseError.h"

namespace velm {

// A script the engine refuses to go on with: a parse error ("Invalid
// statement", "Invalid Comment") or a statement it does not run. The text
// names the reason and the line where the statement starts.
class ScriptError : public DatabaseError {
public:
    ScriptError(const std::string& reason, int line)
        : DatabaseError(reason + " (linha " + std::to_string(line) + ")"),
          reason_(reason),
          line_(line) {}
    const std::string& reason() const { return reason_; }
    int line() const { return line_; }

private:
    std::string reason_;
    int line_;
};

}  // namespace velm
