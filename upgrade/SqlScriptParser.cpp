#include "upgrade/SqlScriptParser.h"

#include <algorithm>
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

// Characters of names and keywords; bytes above ASCII count too, so that an
// accented name never ends in a keyword.
bool isWordCharacter(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '_' ||
           u == '$' || u >= 0x80;
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

// Every kind has its case and there is no default: a kind added without its
// name does not compile.
#pragma GCC diagnostic push
#pragma GCC diagnostic error "-Wswitch"
const char* parseKindName(TParseKind kind) {
    switch (kind) {
        case stmtDDL:
            return "stmtDDL";
        case stmtDML:
            return "stmtDML";
        case stmtSET:
            return "stmtSET";
        case stmtCONNECT:
            return "stmtCONNECT";
        case stmtDrop:
            return "stmtDrop";
        case stmtCREATE:
            return "stmtCREATE";
        case stmtINPUT:
            return "stmtINPUT";
        case stmtUNK:
            return "stmtUNK";
        case stmtEMPTY:
            return "stmtEMPTY";
        case stmtTERM:
            return "stmtTERM";
        case stmtERR:
            return "stmtERR";
        case stmtCOMMIT:
            return "stmtCOMMIT";
        case stmtROLLBACK:
            return "stmtROLLBACK";
        case stmtReconnect:
            return "stmtReconnect";
        case stmtRollbackSavePoint:
            return "stmtRollbackSavePoint";
        case stmtReleaseSavePoint:
            return "stmtReleaseSavePoint";
        case stmtStartSavepoint:
            return "stmtStartSavepoint";
        case stmtCOMMITRetaining:
            return "stmtCOMMITRetaining";
        case stmtROLLBACKRetaining:
            return "stmtROLLBACKRetaining";
        case stmtBatchStart:
            return "stmtBatchStart";
        case stmtBatchExecute:
            return "stmtBatchExecute";
        case stmtServerSET:
            return "stmtServerSET";
        case stmtSetTransaction:
            return "stmtSetTransaction";
        case stmtShow:
            return "stmtShow";
    }
    return "?";  // a value outside the enumeration
}
#pragma GCC diagnostic pop

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

// In a procedure or trigger body every inner ";" belongs to the body: it
// ends at the ";" after the END that closes its outer block (an END that
// closes an inner BEGIN or a CASE does not count, wherever it stands), and
// "ALTER TRIGGER name ACTIVE;" / "INACTIVE;" ends at its ";".
bool TSqlScriptParser::bodyEndsAt(std::size_t index) const {
    if (bodyClosed_) return true;
    const std::string_view current = trimBlanks(std::string_view(buf_).substr(pos_, index - pos_));
    // The words as they would stand with the current one added.
    const std::size_t count = words_.size() + (current.empty() ? 0 : 1);
    if (count != 4) return false;
    const std::string_view last = current.empty() ? std::string_view(words_.back()) : current;
    return isKeyword(words_[0], "ALTER") && isKeyword(words_[1], "TRIGGER") &&
           (isKeyword(last, "ACTIVE") || isKeyword(last, "INACTIVE"));
}

// A run of word characters in code ends before `index`; in a body, BEGIN and
// CASE open a block that END closes.
void TSqlScriptParser::endKeyword(std::size_t index) {
    if (keywordStart_ == std::string::npos) return;
    const std::string_view keyword =
        std::string_view(buf_).substr(keywordStart_, index - keywordStart_);
    keywordStart_ = std::string::npos;
    if (!inBody_) return;
    if (isKeyword(keyword, "BEGIN") || isKeyword(keyword, "CASE")) {
        ++openBlocks_;
        bodyClosed_ = false;
    } else if (isKeyword(keyword, "END")) {
        // An END without its BEGIN still ends the body, as a lone END would.
        if (openBlocks_ > 0) --openBlocks_;
        bodyClosed_ = openBlocks_ == 0;
    } else {
        bodyClosed_ = false;
    }
}

// Moves the lexical state over buf_[index] (the table beside Lexical); true
// when the character ends the word.
bool TSqlScriptParser::advance(std::size_t index) {
    const char c = buf_[index];
    const char next = index + 1 < buf_.size() ? buf_[index + 1] : '\0';
    switch (lexical_) {
        case Lexical::code:
            if (isWordCharacter(c)) {
                if (keywordStart_ == std::string::npos) keywordStart_ = index;
                return false;
            }
            endKeyword(index);
            if (c == ' ') return true;
            if (c == '/' && next == '*') {
                lexical_ = Lexical::blockComment;
            } else if (c == '-' && next == '-' && inBody_) {
                lexical_ = Lexical::lineComment;
            } else if (!isBlank(c)) {
                // Anything but a comment after the body's END keeps it open.
                bodyClosed_ = false;
                if (c == '\'') lexical_ = Lexical::singleQuoted;
                if (c == '"') lexical_ = Lexical::doubleQuoted;
            }
            return false;
        case Lexical::singleQuoted:
            if (c != '\'') return false;
            lexical_ = Lexical::code;
            return true;
        case Lexical::doubleQuoted:
            if (c != '"') return false;
            lexical_ = Lexical::code;
            return true;
        case Lexical::blockComment:
            if (c == '/' && index > 0 && buf_[index - 1] == '*') lexical_ = Lexical::code;
            return false;
        case Lexical::lineComment:
            if (c == '\n') lexical_ = Lexical::code;
            return false;
    }
    return false;
}

int TSqlScriptParser::lineAt(std::size_t index) const {
    const auto begin = buf_.begin() + static_cast<std::ptrdiff_t>(pos_);
    return line_ + static_cast<int>(
                       std::count(begin, buf_.begin() + static_cast<std::ptrdiff_t>(index), '\n'));
}

void TSqlScriptParser::noteStart(TSqlStatement& statement, std::size_t index) {
    if (statement.line == 0) statement.line = lineAt(index);
}

// Appends buf_[pos_..end) to the statement's text, noting the line of a NUL.
void TSqlScriptParser::appendText(TSqlStatement& statement, std::size_t end) {
    const std::string_view part = std::string_view(buf_).substr(pos_, end - pos_);
    if (nulLine_ == 0) {
        const auto nul = part.find('\0');
        if (nul != std::string_view::npos) nulLine_ = lineAt(pos_ + nul);
    }
    statement.text.append(part);
}

void TSqlScriptParser::endStatement(TSqlStatement& statement, std::size_t index) {
    appendText(statement, index);
    const std::string_view core = trimBlanks(std::string_view(buf_).substr(pos_, index - pos_));
    if (!core.empty()) words_.push_back(asciiUpper(core));
    consume(index - pos_ + terminator_.size());
    complete_ = true;
}

void TSqlScriptParser::scanWord(TSqlStatement& statement) {
    const std::size_t size = buf_.size();
    const char firstOfTerminator = terminator_[0];
    std::size_t i = pos_;
    bool ended = false;
    while (i < size && !ended) {
        const char c = buf_[i];
        if (c == firstOfTerminator && lexical_ == Lexical::code && terminatorAt(i)) {
            endKeyword(i);
            if (!inBody_ || bodyEndsAt(i)) {
                endStatement(statement, i);
                return;
            }
        }
        ended = advance(i);
        if (!isBlank(c)) noteStart(statement, i);
        ++i;
    }
    while (i < size && isBlank(buf_[i])) ++i;
    appendText(statement, i);
    std::string stored(trimBlanks(std::string_view(buf_).substr(pos_, i - pos_)));
    consume(i - pos_);
    if (!stored.empty()) {
        words_.push_back(std::move(stored));
        afterWord(statement);
    }
}

void TSqlScriptParser::afterWord(TSqlStatement& statement) {
    const std::string& word = words_.back();
    if (words_.size() == 2 && terminator_ == ";" &&
        (isKeyword(words_[0], "CREATE") || isKeyword(words_[0], "ALTER")) &&
        (isKeyword(word, "PROCEDURE") || isKeyword(word, "TRIGGER")))
        inBody_ = true;
    // "--" as the first word comments out the rest of its line; the "--"
    // itself stays in the text, but the statement starts after it.
    if (words_.size() == 1 && words_[0] == "--") {
        words_.clear();
        consume(buf_.size() - pos_);
        statement.line = 0;
    }
}

TSqlStatement TSqlScriptParser::nextStatement() {
    TSqlStatement statement;
    words_.clear();
    compact();
    if (bufferBlank()) readLine();
    skipBlanks();
    if (!dropLeadingComments(statement)) return statement;

    lexical_ = Lexical::code;
    inBody_ = bodyClosed_ = complete_ = false;
    openBlocks_ = 0;
    keywordStart_ = std::string::npos;
    nulLine_ = 0;
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
    statement.kind = nulLine_ != 0 ? stmtERR : classifyStatement(statement.words);
    if (nulLine_ != 0) {
        statement.error = kNulInStatement;
        statement.line = nulLine_;
        stopped_ = true;
    } else if (statement.kind == stmtERR) {
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
