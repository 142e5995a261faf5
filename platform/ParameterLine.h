#pragma once

#include <optional>
#include <string_view>

namespace velm {

// A NAME=VALUE parameter line (alias parameters, connection parameters),
// split at its first "=". The name keeps its blanks; callers that compare
// names trim and fold case as their store does. The value is everything
// after the "=", untouched.
struct ParameterLine {
    std::string_view name;
    std::string_view value;
};

// Nothing for a line without "=".
std::optional<ParameterLine> splitParameterLine(std::string_view line);

}  // namespace velm
