#include "upgrade/CommitWorkLines.h"

#include <cstring>
#include <string_view>

#include "platform/AsciiText.h"

namespace velm {

namespace {

constexpr std::string_view kCommitWork = "COMMIT WORK";

// A terminator: one run of punctuation that cannot start a comment, a quote
// or an expression (";", "^", "!!"), so it carries no SQL of its own.
bool isTerminator(std::string_view text) {
    if (text.empty()) return false;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u > 0x7F || !std::strchr("!#$%&;@^|~", c)) return false;
    }
    return true;
}

bool onlyCommitWork(std::string_view upperLine) {
    const std::string_view text = trimBlanks(upperLine);
    if (!text.starts_with(kCommitWork)) return false;
    const std::string_view rest = trimBlanks(text.substr(kCommitWork.size()));
    return rest.empty() || isTerminator(rest);
}

}  // namespace

std::optional<std::size_t> blankCommitWorkLines(std::vector<std::string>& lines) {
    std::optional<std::size_t> firstMixed;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string upper = asciiUpper(lines[i]);
        if (upper.find(kCommitWork) == std::string::npos) continue;
        if (onlyCommitWork(upper))
            lines[i].assign(1, ' ');  // a single space
        else if (!firstMixed)
            firstMixed = i;
    }
    return firstMixed;
}

}  // namespace velm
