#pragma once

#include <string>
#include <vector>

#include "upgrade/FbStatement.h"
#include "upgrade/FbTransaction.h"
#include "upgrade/SqlScriptParser.h"

namespace velm {

class FbDatabase;

// Runs a multi-statement SQL script on an open product-database connection.
// Schema statements run on a transaction of the engine's own and, with
// AutoDDL on, are committed one by one; data statements run on the caller's
// transaction and stay uncommitted until the script or the caller commits.
// Terminator, AutoDDL and dialect are properties of the engine: a script
// that changes them leaves them changed for the next one.
class TSqlScript {
public:
    TSqlScript(FbDatabase& database, FbTransaction& transaction);
    TSqlScript(const TSqlScript&) = delete;
    TSqlScript& operator=(const TSqlScript&) = delete;

    // Takes a copy of the lines (ANSI text, kept byte for byte).
    void setScript(const std::vector<std::string>& lines) { parser_.setLines(lines); }
    // The engine's own copy, which the caller may change before executing.
    std::vector<std::string>& Script() { return parser_.lines(); }
    const std::vector<std::string>& Script() const { return parser_.lines(); }

    // The splitter's terminator: it carries over from one script to the next.
    const std::string& Terminator() const { return parser_.terminator(); }
    void setTerminator(const std::string& terminator) { parser_.setTerminator(terminator); }
    bool AutoDDL() const { return autoDDL_; }
    void setAutoDDL(bool on) { autoDDL_ = on; }
    int SQLDialect() const { return sqlDialect_; }

    FbTransaction& Transaction() { return transaction_; }
    FbTransaction& DDLTransaction() { return ddlTransaction_; }

    // Runs the whole script from its first line. Raises the database error of
    // the first statement that fails (the ones after it do not run), and a
    // ScriptError for a parse error, a statement holding a NUL, a statement
    // the engine does not run or a SQL dialect outside 1 to 3, after the
    // statements before it took effect. Earlier schema statements stay
    // committed (AutoDDL), earlier data statements stay pending; a failed
    // schema statement is rolled back, and a dialect change whose reopen
    // fails leaves both dialects as they were.
    void ExecuteScript();

private:
    void act(const TSqlStatement& statement);
    void run(FbTransaction& transaction, const TSqlStatement& statement);
    void runSchemaStatement(const TSqlStatement& statement);
    void applySet(const TSqlStatement& statement);
    void changeDialect(const TSqlStatement& statement);
    void endTransactions(void (FbTransaction::*end)());
    void reconnect();

    FbDatabase& database_;
    FbTransaction& transaction_;
    FbTransaction ddlTransaction_;
    FbStatement statement_;
    TSqlScriptParser parser_;
    bool autoDDL_ = true;
    int sqlDialect_ = 3;
};

}  // namespace velm
