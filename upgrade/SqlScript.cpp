#include "upgrade/SqlScript.h"

#include "platform/AsciiText.h"
#include "upgrade/DatabaseError.h"
#include "upgrade/FbDatabase.h"
#include "upgrade/ScriptError.h"

namespace velm {

namespace {

// The first words of a statement, for a message.
std::string leadingWords(const TSqlStatement& statement, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < statement.words.size() && i < count; ++i) {
        if (i) text += ' ';
        text += asciiUpper(statement.words[i]);
    }
    return text;
}

}  // namespace

TSqlScript::TSqlScript(FbDatabase& database, FbTransaction& transaction)
    : database_(database),
      transaction_(transaction),
      ddlTransaction_(&database),
      statement_(database) {}

void TSqlScript::ExecuteScript() {
    parser_.reset();
    while (parser_.hasStatement()) act(parser_.nextStatement());
}

void TSqlScript::run(FbTransaction& transaction, const TSqlStatement& statement) {
    if (!transaction.Active()) transaction.StartTransaction();
    statement_.prepare(transaction, statement.text, false);
    statement_.execute(transaction);
    // A SELECT in a script only runs; its rows are not wanted.
    statement_.closeCursor();
}

void TSqlScript::runSchemaStatement(const TSqlStatement& statement) {
    if (!autoDDL_) {
        run(transaction_, statement);
        return;
    }
    // The server reports many schema errors only at commit ("object ... is
    // in use"); a failed change left in the transaction would fail every
    // later schema statement again.
    try {
        run(ddlTransaction_, statement);
        ddlTransaction_.Commit();
    } catch (...) {
        if (ddlTransaction_.Active()) {
            try {
                ddlTransaction_.Rollback();
            } catch (...) {
                // The statement's own error is the one worth reporting.
            }
        }
        throw;
    }
}

void TSqlScript::endTransactions(void (FbTransaction::*end)()) {
    if (transaction_.Active()) (transaction_.*end)();
    if (ddlTransaction_.Active()) (ddlTransaction_.*end)();
}

void TSqlScript::act(const TSqlStatement& statement) {
    switch (statement.kind) {
        case stmtEMPTY:
        case stmtShow:
        case stmtTERM:  // the splitter switched already
        case stmtUNK:
            return;
        // Statements run one by one anyway: a batch is just its statements.
        case stmtBatchStart:
        case stmtBatchExecute:
            return;
        case stmtERR:
            throw ScriptError(statement.error, statement.line);
        case stmtDDL:
            return runSchemaStatement(statement);
        case stmtDML:
        case stmtStartSavepoint:
        case stmtReleaseSavePoint:
        case stmtRollbackSavePoint:
            return run(transaction_, statement);
        case stmtCOMMIT:
            return endTransactions(&FbTransaction::Commit);
        case stmtCOMMITRetaining:
            return endTransactions(&FbTransaction::CommitRetaining);
        case stmtROLLBACK:
            return endTransactions(&FbTransaction::Rollback);
        case stmtROLLBACKRetaining:
            return endTransactions(&FbTransaction::RollbackRetaining);
        case stmtSET:
            return applySet(statement);
        case stmtSetTransaction:
            if (transaction_.Active())
                throw ScriptError("SET TRANSACTION com transa\xE7\xE3o ativa", statement.line);
            transaction_.StartWithStatement(statement.text.c_str(), database_.SQLDialect());
            return;
        case stmtReconnect:
            return reconnect();
        // An upgrade script works on the database it was given: it may not
        // reach other databases, create or drop them, read local files or
        // change server accounts.
        case stmtCONNECT:
        case stmtCREATE:
        case stmtDrop:
        case stmtINPUT:
        case stmtServerSET:
            throw ScriptError(std::string("Comando n\xE3o permitido em script: ")
                                  .append(leadingWords(statement, 2)),
                              statement.line);
    }
}

void TSqlScript::applySet(const TSqlStatement& statement) {
    const std::string option = asciiUpper(statement.words[1]);
    if (option == "AUTODDL") {
        // Compared as stored: "on" followed by a blank is not "ON".
        autoDDL_ = statement.words[2] == "ON";
    } else if (option == "SQL") {
        changeDialect(statement);
    }
    // SET NAMES, SET STATISTICS and SET SAVEPOINTS change nothing for
    // statements on the open connection.
}

void TSqlScript::changeDialect(const TSqlStatement& statement) {
    const int dialect = integerOrDatabaseError<int>(statement.words[3]);
    // The client knows dialects 1 to 3; any other would leave a connection
    // that no database opens with.
    if (dialect < 1 || dialect > 3)
        throw ScriptError("Dialeto SQL inv\xE1lido: " + statement.words[3], statement.line);
    const int previous = sqlDialect_;
    sqlDialect_ = dialect;
    if (database_.SQLDialect() == dialect) return;
    if (!database_.Connected()) {
        database_.setSQLDialect(dialect);
        return;
    }
    // Reopening ends the transactions; what the script did so far is kept.
    endTransactions(&FbTransaction::Commit);
    const int connectionDialect = database_.SQLDialect();
    database_.Close();
    database_.setSQLDialect(dialect);
    try {
        database_.Open();
    } catch (...) {
        // Back to the dialects that worked, so that this database (and the
        // next ones) open as before the script asked.
        sqlDialect_ = previous;
        database_.setSQLDialect(connectionDialect);
        try {
            database_.Open();
        } catch (...) {
            // The reopen's own error is the one worth reporting.
        }
        throw;
    }
}

void TSqlScript::reconnect() {
    endTransactions(&FbTransaction::Commit);
    database_.Close();
    database_.Open();
}

}  // namespace velm
