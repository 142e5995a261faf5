#pragma once

namespace velm {

// Kinds of script statements, sorted by their first words. The order is
// part of the contract: callers may store and compare the ordinal values.
enum TParseKind : int {
    stmtDDL,
    stmtDML,
    stmtSET,
    stmtCONNECT,
    stmtDrop,
    stmtCREATE,
    stmtINPUT,
    stmtUNK,
    stmtEMPTY,
    stmtTERM,
    stmtERR,
    stmtCOMMIT,
    stmtROLLBACK,
    stmtReconnect,
    stmtRollbackSavePoint,
    stmtReleaseSavePoint,
    stmtStartSavepoint,
    stmtCOMMITRetaining,
    stmtROLLBACKRetaining,
    stmtBatchStart,
    stmtBatchExecute,
    stmtServerSET,
    stmtSetTransaction,
    stmtShow,
};

// The enumerator's name ("stmtDDL"), for messages and test output.
const char* parseKindName(TParseKind kind);

}  // namespace velm
