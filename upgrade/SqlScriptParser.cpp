#include "upgrade/SqlScriptParser.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <string_view>
#include <utility>

#include "platform/AsciiText.h"

namespace velm {

namespace {

bool allBlank(std::string_view s) {
    return std::all_of(s.begin(), s.end(), isBlank);
}

bool isOneOf(const std::string& word, std::initializer_list<std::string_view> keywords) {
    return std::find(keywords.begin(), keywords.end(), word) != keywords.end();
}

// The word equals the keyword (upper case ASCII) once upper-cased.
bool isKeyword(std::string_view word, std::string_view keyword) {
    return sameIgnoringAsciiCase(word, keyword);
}

// Words beyond the leading comments and blanks are searched in a buffer that
// only grows while one statement is assembled; it is trimmed between
// statements once the consumed part is large.
constexpr std::size_t kCompactThreshold = 64 * 1024;

}  // namespace

const char* parseKindName(TParseKind kind) {
    static constexpr std::array<const char*, 24> names = {
        "stmtDDL",
        "stmtDML",
        "stmtSET",
        "stmtCONNECT",
        "stmtDrop",
        "stmtCREATE",
        "stmtINPUT",
        "stmtUNK",
        "stmtEMPTY",
        "stmtTERM",
        "stmtERR",
        "stmtCOMMIT",
        "stmtROLLBACK",
        "stmtReconnect",
        "stmtRollbackSavePoint",
        "stmtReleaseSavePoint",
        "stmtStartSavepoint",
        "stmtCOMMITRetaining",
        "stmtROLLBACKRetaining",
        "stmtBatchStart",
        "stmtBatchExecute",
        "stmtServerSET",
        "stmtSetTransaction",
        "stmtShow",
    };
    const auto index = static_cast<std::size_t>(kind);
    return index < names.size() ? names[index] : "?";
}

void TSqlScriptParser::setLines(std::vector<std::string> lines) {
    lines_ = std::move(lines);
    reset();
}

void TSqlScriptParser::reset() {
    next_ = 0;
    buf_.clear();
    pos_ = 0;
    line_ = 0;
    stopped_ = false;
}

void TSqlScriptParser::setTerminator(const std::string& terminator) {
    if (!terminator.empty()) terminator_ = terminator;
}

bool TSqlScriptParser::hasStatement() const {
    return !stopped_ && (next_ < lines_.size() || !bufferBlank());
}

bool TSqlScriptParser::bufferBlank() const {
    for (std::size_t i = pos_; i < buf_.size(); ++i)
        if (!isBlank(buf_[i])) return false;
    return true;
}

// Appends CR LF and the next line, and goes on while everything unread is
// blank, so blank lines are skipped. False when no line was left.
bool TSqlScriptParser::readLine() {
    if (next_ >= lines_.size()) return false;
    // The CR LF in front of a line belongs to the line before it.
    if (bufferEmpty()) line_ = static_cast<int>(next_);
    bool blank = bufferBlank();
    do {
        const std::string& line = lines_[next_++];
        buf_ += "\r\n";
        buf_ += line;
        blank = blank && allBlank(line);
    } while (blank && next_ < lines_.size());
    return true;
}

void TSqlScriptParser::consume(std::size_t count) {
    const auto begin = buf_.begin() + static_cast<std::ptrdiff_t>(pos_);
    line_ += static_cast<int>(std::count(begin, begin + static_cast<std::ptrdiff_t>(count), '\n'));
    pos_ += count;
}

void TSqlScriptParser::skipBlanks() {
    std::size_t n = 0;
    while (pos_ + n < buf_.size() && isBlank(buf_[pos_ + n])) ++n;
    consume(n);
}

void TSqlScriptParser::compact() {
    if (pos_ >= buf_.size()) {
        buf_.clear();
        pos_ = 0;
    } else if (pos_ > kCompactThreshold && pos_ > buf_.size() / 2) {
        buf_.erase(0, pos_);
        pos_ = 0;
    }
}

bool TSqlScriptParser::startsComment() const {
    return buf_.compare(pos_, 2, "/*") == 0;
}

// Comments in front of a statement are dropped; a comment that never closes
// is a parse error.
bool TSqlScriptParser::dropLeadingComments(TSqlStatement& statement) {
    while (startsComment()) {
        const int commentLine = line_;
        std::size_t from = pos_;
        std::size_t close;
        while ((close = buf_.find("*/", from)) == std::string::npos) {
            from = std::max(pos_, buf_.size() - 1);
            if (!readLine()) {
                statement.kind = stmtERR;
                statement.error = "Invalid Comment";
                statement.line = commentLine;
                stopped_ = true;
                return false;
            }
        }
        consume(close + 2 - pos_);
        skipBlanks();
        if (bufferEmpty()) readLine();
        skipBlanks();
    }
    return true;
}

bool TSqlScriptParser::terminatorAt(std::size_t index) const {
    return buf_[index] == terminator_[0] &&
           buf_.compare(index, terminator_.size(), terminator_) == 0;
}

// In a procedure or trigger body every inner ";" belongs to the body; the
// body ends at the ";" that closes its END (unless that END closes a CASE),
// and "ALTER TRIGGER name ACTIVE;" / "INACTIVE;" ends at its ";".
bool TSqlScriptParser::bodyEndsAt(std::size_t index) const {
    const std::string_view current = trimBlanks(std::string_view(buf_).substr(pos_, index - pos_));
    if (inCase_ && isKeyword(current, "END")) return false;
    // The words as they would stand with the current one added.
    const std::size_t count = words_.size() + (current.empty() ? 0 : 1);
    if (count == 0) return false;
    const std::string_view last = current.empty() ? std::string_view(words_.back()) : current;
    if (isKeyword(last, "END")) return true;
    return count == 4 && isKeyword(words_[0], "ALTER") && isKeyword(words_[1], "TRIGGER") &&
           (isKeyword(last, "ACTIVE") || isKeyword(last, "INACTIVE"));
}

void TSqlScriptParser::noteStart(TSqlStatement& statement, std::size_t index) {
    if (statement.line != 0) return;
    const auto begin = buf_.begin() + static_cast<std::ptrdiff_t>(pos_);
    statement.line = line_ + static_cast<int>(std::count(
                                 begin, buf_.begin() + static_cast<std::ptrdiff_t>(index), '\n'));
}

void TSqlScriptParser::endStatement(TSqlStatement& statement, std::size_t index) {
    const std::string_view part = std::string_view(buf_).substr(pos_, index - pos_);
    statement.text.append(part);
    const std::string_view core = trimBlanks(part);
    if (!core.empty()) words_.push_back(asciiUpper(core));
    consume(index - pos_ + terminator_.size());
    complete_ = true;
}

void TSqlScriptParser::scanWord(TSqlStatement& statement) {
    const std::size_t size = buf_.size();
    const char* const text = buf_.data();
    const char firstOfTerminator = terminator_[0];
    std::size_t i = pos_;
    bool ended = false;
    while (i < size && !ended) {
        const char c = text[i];
        if (c == firstOfTerminator && !inSingleQuotes_ && !inDoubleQuotes_ && !inComment_ &&
            terminatorAt(i) && (!inBody_ || bodyEndsAt(i))) {
            endStatement(statement, i);
            return;
        }
        switch (c) {
            case '/':
                if (!inSingleQuotes_ && !inDoubleQuotes_) {
                    if (!inComment_) {
                        if (i + 1 < size && text[i + 1] == '*') inComment_ = true;
                    } else if (i > 0 && text[i - 1] == '*') {
                        inComment_ = false;
                    }
                }
                break;
            // Only the space separates words: a tab joins its neighbours.
            case ' ':
                ended = !inComment_ && !inSingleQuotes_ && !inDoubleQuotes_;
                break;
            case '"':
                if (!inComment_ && !inSingleQuotes_) {
                    inDoubleQuotes_ = !inDoubleQuotes_;
                    ended = !inDoubleQuotes_;
                }
                break;
            case '\'':
                if (!inComment_ && !inDoubleQuotes_) {
                    inSingleQuotes_ = !inSingleQuotes_;
                    ended = !inSingleQuotes_;
                }
                break;
            default:
                break;
        }
        if (!isBlank(c)) noteStart(statement, i);
        ++i;
    }
    while (i < size && isBlank(text[i])) ++i;
    const std::string_view word = std::string_view(buf_).substr(pos_, i - pos_);
    statement.text.append(word);
    const std::string_view core = trimBlanks(word);
    std::string stored(core);
    consume(i - pos_);
    if (!stored.empty()) {
        words_.push_back(std::move(stored));
        afterWord();
    }
}

void TSqlScriptParser::afterWord() {
    const std::string& word = words_.back();
    if (inBody_ && !inSingleQuotes_ && !inDoubleQuotes_ && !inComment_ && isKeyword(word, "CASE"))
        inCase_ = true;
    if (words_.size() == 2 && terminator_ == ";" &&
        (isKeyword(words_[0], "CREATE") || isKeyword(words_[0], "ALTER")) &&
        (isKeyword(word, "PROCEDURE") || isKeyword(word, "TRIGGER")))
        inBody_ = true;
    if (inCase_ && (isKeyword(word, "END") || isKeyword(word, "END;"))) inCase_ = false;
    // "--" as the first word comments out the rest of its line; the "--"
    // itself stays in the text.
    if (words_.size() == 1 && words_[0] == "--") {
        words_.clear();
        consume(buf_.size() - pos_);
    }
}

TSqlStatement TSqlScriptParser::nextStatement() {
    TSqlStatement statement;
    words_.clear();
    compact();
    if (bufferBlank()) readLine();
    skipBlanks();
    if (!dropLeadingComments(statement)) return statement;

    inSingleQuotes_ = inDoubleQuotes_ = inComment_ = inBody_ = inCase_ = false;
    complete_ = false;
    while (!complete_) {
        if (bufferEmpty()) {
            if (!readLine()) break;
        } else {
            scanWord(statement);
        }
    }
    if (statement.line == 0) statement.line = std::max(line_, 1);
    statement.words = std::move(words_);
    words_.clear();
    statement.kind = classifyStatement(statement.words);
    if (statement.kind == stmtERR) {
        statement.error = "Invalid statement";
        stopped_ = true;
    } else if (statement.kind == stmtTERM) {
        setTerminator(statement.words[2]);
    }
    return statement;
}

TParseKind classifyStatement(const std::vector<std::string>& words) {
    const std::size_t n = words.size();
    if (n == 0) return stmtEMPTY;
    const std::string w1 = asciiUpper(words[0]);
    const std::string w2 = n > 1 ? asciiUpper(words[1]) : std::string();
    const std::string w3 = n > 2 ? asciiUpper(words[2]) : std::string();

    if (w1 == "SHOW") return stmtShow;
    if (w1 == "COMMIT") {
        // The second word is compared as stored: "commit work ;" is no commit.
        if (n == 2 && words[1] == "RETAINING") return stmtCOMMITRetaining;
        if (n == 2 && words[1] == "WORK") return stmtCOMMIT;
        if (n != 2) return stmtCOMMIT;
        return stmtERR;
    }
    if (w1 == "ROLLBACK") {
        if (n == 1) return stmtROLLBACK;
        if (n == 2 && words[1] == "RETAINING") return stmtROLLBACKRetaining;
        return stmtRollbackSavePoint;
    }
    if (w1 == "RECONNECT") return stmtReconnect;
    if (w1 == "SAVEPOINT") return stmtStartSavepoint;
    if (n == 1) return stmtERR;
    if (w1 == "BATCH") {
        if (w2 == "START") return stmtBatchStart;
        if (w2 == "EXECUTE") return stmtBatchExecute;
        return stmtERR;
    }
    if (w1 == "RELEASE" && w2 == "SAVEPOINT") return stmtReleaseSavePoint;
    if (isOneOf(w1, {"INSERT", "DELETE", "SELECT", "UPDATE", "EXECUTE", "WITH", "TRUNCATE"}))
        return stmtDML;
    if (w1 == "INPUT") return stmtINPUT;
    if (w1 == "CONNECT") return stmtCONNECT;
    if (w1 == "CREATE" && isOneOf(w2, {"DATABASE", "SCHEMA"})) return stmtCREATE;
    if (w1 == "DROP" && w2 == "DATABASE") return stmtDrop;
    if (isOneOf(w1, {"DECLARE", "CREATE", "ALTER", "GRANT", "REVOKE", "DROP"}) ||
        (w1 == "SET" && w2 == "GENERATOR") ||
        (w1 == "SET" && w2 == "STATISTICS" && n > 2 && w3 == "INDEX"))
        return stmtDDL;
    if (w1 == "SET") {
        if (w2 == "TERM") return n == 3 ? stmtTERM : stmtERR;
        if (w2 == "SQL") return n == 4 && w3 == "DIALECT" ? stmtSET : stmtERR;
        if (isOneOf(w2, {"AUTODDL", "STATISTICS", "NAMES", "SAVEPOINTS"}))
            return n == 3 ? stmtSET : stmtERR;
        if (isOneOf(w2, {"PASSWORD", "SUBSCRIPTION"})) return stmtServerSET;
        if (w2 == "TRANSACTION") return stmtSetTransaction;
    }
    return stmtERR;
}

std::vector<TSqlStatement> splitScript(const std::vector<std::string>& lines,
                                       std::string terminator) {
    TSqlScriptParser parser;
    parser.setTerminator(terminator);
    parser.setLines(lines);
    std::vector<TSqlStatement> statements;
    while (parser.hasStatement()) statements.push_back(parser.nextStatement());
    return statements;
}

}  // namespace velm
