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

// Read from the statement's text, so that a last statement the script does
// not terminate ("COMMIT WORK" alone, or under another terminator) counts too.
bool isCommitWork(const TSqlStatement& statement) {
    return statement.kind == stmtCOMMIT && onlyCommitWork(asciiUpper(statement.text));
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

// True when the line (from 0) lies within the text of one of the
// statements: in a literal, a body, or a statement it would end.
bool insideStatement(const std::vector<TSqlStatement>& statements, std::size_t line) {
    for (const TSqlStatement& statement : statements) {
        if (statement.kind == stmtEMPTY || statement.line < 1) continue;
        std::size_t last = static_cast<std::size_t>(statement.line) - 1;
        for (std::size_t at = statement.text.find("\r\n"); at != std::string::npos;
             at = statement.text.find("\r\n", at + 2))
            ++last;
        if (line >= static_cast<std::size_t>(statement.line) - 1 && line <= last) return true;
    }
    return false;
}

}  // namespace

bool isWholeCommitWorkLine(const std::string& line) {
    return onlyCommitWork(asciiUpper(line));
}

std::optional<std::size_t> blankCommitWorkLines(std::vector<std::string>& lines,
                                                const std::string& terminator) {
    std::vector<std::size_t> whole, others;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string upper = asciiUpper(lines[i]);
        if (upper.find(kCommitWork) == std::string::npos) continue;
        (onlyCommitWork(upper) ? whole : others).push_back(i);
    }
    if (whole.empty() && others.empty()) return std::nullopt;
    std::optional<std::size_t> stuck;
    const auto stick = [&stuck](std::size_t i) {
        if (!stuck || i < *stuck) stuck = i;
    };

    // A whole line must stand between statements once blanked: inside a
    // literal, a procedure's body or a statement it ends, blanking it would
    // change what runs. (As written such a line may not even parse: "COMMIT
    // WORK ;" is no statement to the splitter, so the blanked script is read.)
    std::vector<std::string> blanked = lines;
    for (const std::size_t i : whole) blanked[i].assign(1, ' ');  // a single space
    if (!whole.empty()) {
        const std::vector<TSqlStatement> statements = splitScript(blanked, terminator);
        for (const std::size_t i : whole)
            if (insideStatement(statements, i)) {
                stick(i);
                break;
            }
    }

    // The other lines: blanking them, after the whole ones, must leave what
    // runs unchanged. All of them at once first: that is the common case and
    // costs two splits.
    if (!others.empty()) {
        const std::vector<RunStatement> asWritten = runStatements(blanked, terminator);
        std::vector<std::string> all = blanked;
        for (const std::size_t i : others) all[i].assign(1, ' ');
        if (runStatements(all, terminator) == asWritten) {
            blanked = std::move(all);
        } else {
            // The first line whose blanking, after the ones before it, changes it.
            std::vector<std::string> some = blanked;
            for (const std::size_t i : others) {
                some[i].assign(1, ' ');
                if (runStatements(some, terminator) != asWritten) {
                    stick(i);
                    break;
                }
            }
            if (!stuck) stick(others.front());  // unreachable: the last step is the whole change
        }
    }
    if (stuck) return stuck;  // the script does not run; every line stays for the saved file
    lines = std::move(blanked);
    return std::nullopt;
}

}  // namespace velm
