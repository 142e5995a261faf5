#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "upgrade/TParseKind.h"

namespace velm {

// One statement as the splitter delivers it.
struct TSqlStatement {
    TParseKind kind = stmtEMPTY;
    // The script text from the first word up to the terminator (excluded),
    // line breaks as CR LF, inner comments included: what the server gets.
    std::string text;
    // The words as written, blanks trimmed; the word completed by the
    // terminator is upper-cased.
    std::vector<std::string> words;
    // Line (from 1) where the statement starts, leading comments skipped;
    // for an unclosed leading comment, the line where the comment starts; for
    // a NUL in the text, the line of the NUL.
    int line = 0;
    // For kind stmtERR: "Invalid statement", "Invalid Comment" or
    // kNulInStatement.
    std::string error;
};

// A NUL byte would cut the statement where the client library reads it, so a
// statement holding one is not sent: it is a parse error of its own.
inline constexpr char kNulInStatement[] = "Caractere nulo no comando";

// Splits a script, held as lines of ANSI text, into classified statements.
// It is an iterator: hasStatement() / nextStatement() until the lines run out
// or a parse error stops it. The terminator starts at ";" and follows the
// script's SET TERM statements; it outlives the script (the caller may carry
// it over to the next one). Pure: no database, no UI.
class TSqlScriptParser {
public:
    // Takes a copy of the lines and starts over from the first.
    void setLines(std::vector<std::string> lines);
    const std::vector<std::string>& lines() const { return lines_; }
    // The caller may change them between runs; reset() before splitting again.
    std::vector<std::string>& lines() { return lines_; }
    // Back to the first line, not stopped, empty work buffer.
    void reset();

    const std::string& terminator() const { return terminator_; }
    // An empty terminator is refused (it would end every statement at once).
    void setTerminator(const std::string& terminator);

    // True while lines remain or unread text is left, and no parse error
    // stopped the splitting.
    bool hasStatement() const;
    // Assembles and classifies the next statement. A SET TERM statement
    // switches the terminator before it is returned; a stmtERR statement
    // stops the splitting.
    TSqlStatement nextStatement();
    bool stopped() const { return stopped_; }

private:
    // Where the scan of the statement stands, one character at a time:
    //
    //   state         on                                   goes to
    //   code          '                                    singleQuoted
    //   code          "                                    doubleQuoted
    //   code          / followed by *                      blockComment
    //   code          - followed by - (body statement)     lineComment
    //   singleQuoted  '  (so '' closes and opens again)    code
    //   doubleQuoted  "                                    code
    //   blockComment  / preceded by *                      code
    //   lineComment   line feed                            code
    //
    // Anything else keeps the state. Only in code does the terminator end
    // the statement, a space end a word, and a keyword count. Outside a body
    // "--" is ordinary text (a terminator after it still ends the statement),
    // except as the first word, which comments out the rest of its line.
    enum class Lexical { code, singleQuoted, doubleQuoted, blockComment, lineComment };

    bool readLine();
    bool bufferBlank() const;
    bool bufferEmpty() const { return pos_ >= buf_.size(); }
    void skipBlanks();
    void consume(std::size_t count);
    void compact();

    bool startsComment() const;
    bool dropLeadingComments(TSqlStatement& statement);
    void scanWord(TSqlStatement& statement);
    bool advance(std::size_t index);
    void endKeyword(std::size_t index);
    bool terminatorAt(std::size_t index) const;
    bool bodyEndsAt(std::size_t index) const;
    void appendText(TSqlStatement& statement, std::size_t end);
    void endStatement(TSqlStatement& statement, std::size_t index);
    void afterWord(TSqlStatement& statement);
    int lineAt(std::size_t index) const;
    void noteStart(TSqlStatement& statement, std::size_t index);

    std::vector<std::string> lines_;
    std::size_t next_ = 0;  // index of the next line to read
    std::string buf_;       // work buffer; buf_[pos_..] is unread
    std::size_t pos_ = 0;
    int line_ = 0;  // line number of buf_[pos_]
    std::string terminator_ = ";";
    bool stopped_ = false;

    // The statement being assembled. The buffer is not compacted meanwhile,
    // so positions in it stay valid until the statement is complete.
    std::vector<std::string> words_;
    Lexical lexical_ = Lexical::code;
    // A CREATE or ALTER PROCEDURE or TRIGGER under ";": the ";" inside its
    // body belong to it.
    bool inBody_ = false;
    // BEGIN and CASE of the body not yet closed by their END.
    int openBlocks_ = 0;
    // The last keyword was the END that closed the body's outer block, and
    // only blanks and comments followed: a terminator here ends the body.
    bool bodyClosed_ = false;
    // Start of the word character run being read in code (npos: none).
    std::size_t keywordStart_ = std::string::npos;
    // Line of the first NUL in the statement's text (0: none).
    int nulLine_ = 0;
    bool complete_ = false;
};

// Classifies a statement by its words (first match wins).
TParseKind classifyStatement(const std::vector<std::string>& words);

// Splits a whole script and returns every statement up to the end or up to
// and including the first stmtERR (benchmarks, fuzzing, tests).
std::vector<TSqlStatement> splitScript(const std::vector<std::string>& lines,
                                       std::string terminator = ";");

}  // namespace velm
