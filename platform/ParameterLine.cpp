#include "platform/ParameterLine.h"

namespace velm {

std::optional<ParameterLine> splitParameterLine(std::string_view line) {
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    return ParameterLine{line.substr(0, equals), line.substr(equals + 1)};
}

}  // namespace velm
