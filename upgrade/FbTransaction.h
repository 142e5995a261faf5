#pragma once

#include <ibase.h>

namespace velm {

class FbDatabase;

// A transaction on one product-database connection, started with no
// parameters (the server's default: concurrency, read-write, wait). Rolled
// back when still active at destruction or when its connection closes.
class FbTransaction {
public:
    explicit FbTransaction(FbDatabase* defaultDatabase = nullptr);
    ~FbTransaction();
    FbTransaction(const FbTransaction&) = delete;
    FbTransaction& operator=(const FbTransaction&) = delete;

    FbDatabase* DefaultDatabase() const { return database_; }
    void setDefaultDatabase(FbDatabase* database);

    bool Active() const { return handle_ != 0; }
    // Raise FbError; starting needs an open connection.
    void StartTransaction();
    void Commit();
    void CommitRetaining();
    void Rollback();
    void RollbackRetaining();
    // Starts the transaction by running a SET TRANSACTION statement, so that
    // its options apply.
    void StartWithStatement(const char* setTransactionSql, int dialect);

    // The handle the client library works on. A statement such as COMMIT
    // run through it may end the transaction and zero the handle.
    isc_tr_handle* handle() { return &handle_; }
    // Changes every time the transaction starts: cursors of an earlier one
    // are closed already.
    unsigned transactionId() const { return transactionId_; }

private:
    friend class FbDatabase;
    // Rolls back, swallowing errors (the connection is going anyway).
    void abandon();
    // Commits or rolls back through the client call, which may keep the
    // transaction (retaining) or end it (zeroing the handle).
    void end(ISC_STATUS (*call)(ISC_STATUS*, isc_tr_handle*));
    FbDatabase& database() const;

    FbDatabase* database_ = nullptr;
    isc_tr_handle handle_ = 0;
    unsigned transactionId_ = 0;
};

}  // namespace velm
