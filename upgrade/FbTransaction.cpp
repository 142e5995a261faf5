#include "upgrade/FbTransaction.h"

#include "upgrade/DatabaseError.h"
#include "upgrade/FbDatabase.h"
#include "upgrade/FbStatus.h"

namespace velm {

FbTransaction::FbTransaction(FbDatabase* defaultDatabase) {
    setDefaultDatabase(defaultDatabase);
}

FbTransaction::~FbTransaction() {
    if (Active()) abandon();
    if (database_) database_->detach(this);
}

void FbTransaction::setDefaultDatabase(FbDatabase* database) {
    if (database == database_) return;
    if (Active()) throw DatabaseError("Transa\xE7\xE3o ativa: o banco de dados n\xE3o pode mudar");
    if (database_) database_->detach(this);
    database_ = database;
    if (database_) database_->attach(this);
}

FbDatabase& FbTransaction::database() const {
    if (!database_) throw DatabaseError("Transa\xE7\xE3o sem banco de dados");
    if (!database_->Connected()) throw DatabaseError("Banco de dados n\xE3o conectado");
    return *database_;
}

void FbTransaction::StartTransaction() {
    if (Active()) throw DatabaseError("Transa\xE7\xE3o j\xE1 est\xE1 ativa");
    FbDatabase& db = database();
    FbStatus status;
    // No parameter block: the server's default transaction.
    isc_start_transaction(status.get(), &handle_, 1, db.handle(), 0, nullptr);
    if (status.failed()) {
        handle_ = 0;
        status.raise();
    }
    ++transactionId_;
}

void FbTransaction::StartWithStatement(const char* setTransactionSql, int dialect) {
    if (Active()) throw DatabaseError("Transa\xE7\xE3o j\xE1 est\xE1 ativa");
    FbDatabase& db = database();
    FbStatus status;
    isc_dsql_execute_immediate(status.get(), db.handle(), &handle_, 0, setTransactionSql,
                               static_cast<unsigned short>(dialect), nullptr);
    if (status.failed()) {
        handle_ = 0;
        status.raise();
    }
    if (!Active()) throw DatabaseError("O comando n\xE3o iniciou uma transa\xE7\xE3o");
    ++transactionId_;
}

void FbTransaction::end(ISC_STATUS (*call)(ISC_STATUS*, isc_tr_handle*)) {
    if (!Active()) throw DatabaseError("Transa\xE7\xE3o n\xE3o est\xE1 ativa");
    FbStatus status;
    call(status.get(), &handle_);
    status.check();
}

void FbTransaction::Commit() {
    end(isc_commit_transaction);
}

void FbTransaction::CommitRetaining() {
    end(isc_commit_retaining);
}

void FbTransaction::Rollback() {
    end(isc_rollback_transaction);
}

void FbTransaction::RollbackRetaining() {
    end(isc_rollback_retaining);
}

void FbTransaction::abandon() {
    FbStatus status;
    isc_rollback_transaction(status.get(), &handle_);
    handle_ = 0;
}

}  // namespace velm
