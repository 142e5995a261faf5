#include "upgrade/CommitWorkLines.h"

#include <cstring>
#include <string_view>
#include <tuple>

#include "platform/AsciiText.h"
#include "upgrade/SqlScriptParser.h"

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

// What a statement makes the engine do: its kind and its words (comments
// between statements leave no word; blanks between words do not count).
using RunStatement = std::tuple<TParseKind, std::vector<std::string>, std::string>;

bool isCommitWork(const TSqlStatement& statement) {
    return statement.kind == stmtCOMMIT && statement.words.size() == 2 &&
           statement.words[1] == "WORK";
}

// The statements the engine runs, without the empty ones and the COMMIT
// WORK that the run leaves to itself.
std::vector<RunStatement> runStatements(const std::vector<std::string>& lines,
                                        const std::string& terminator) {
    std::vector<RunStatement> run;
    for (TSqlStatement& statement : splitScript(lines, terminator))
        if (statement.kind != stmtEMPTY && !isCommitWork(statement))
            run.emplace_back(statement.kind, std::move(statement.words),
                             std::move(statement.error));
    return run;
}

}  // namespace

std::optional<std::size_t> blankCommitWorkLines(std::vector<std::string>& lines,
                                                const std::string& terminator) {
    std::vector<std::size_t> others;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string upper = asciiUpper(lines[i]);
        if (upper.find(kCommitWork) == std::string::npos) continue;
        if (onlyCommitWork(upper))
            lines[i].assign(1, ' ');  // a single space
        else
            others.push_back(i);
    }
    if (others.empty()) return std::nullopt;

    // Blanking the other lines must leave what runs unchanged. All of them
    // at once first: that is the common case and costs two splits.
    const std::vector<RunStatement> asWritten = runStatements(lines, terminator);
    std::vector<std::string> blanked = lines;
    for (const std::size_t i : others) blanked[i].assign(1, ' ');
    if (runStatements(blanked, terminator) == asWritten) {
        lines = std::move(blanked);
        return std::nullopt;
    }
    // Name the first line whose blanking, after the ones before it, changes it.
    blanked = lines;
    for (const std::size_t i : others) {
        blanked[i].assign(1, ' ');
        if (runStatements(blanked, terminator) != asWritten) return i;
    }
    return others.front();  // unreachable: the last step is the whole change
}

}  // namespace velm
