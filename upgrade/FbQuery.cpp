#include "upgrade/FbQuery.h"

#include "upgrade/DatabaseError.h"
#include "upgrade/FbDatabase.h"
#include "upgrade/FbTransaction.h"

namespace velm {

FbQuery::FbQuery(FbDatabase& database, FbTransaction& transaction)
    : database_(database), transaction_(transaction), statement_(database) {}

void FbQuery::ExecQuery() {
    Close();
    if (!transaction_.Active()) transaction_.StartTransaction();
    statement_.prepare(transaction_, sql_, true);
    statement_.execute(transaction_);
    eof_ = statement_.cursorOpen() ? !statement_.fetch() : !statement_.hasRow();
}

void FbQuery::Next() {
    if (eof_) return;
    if (!statement_.cursorOpen() || !statement_.fetch()) eof_ = true;
}

void FbQuery::Close() {
    statement_.closeCursor();
    eof_ = true;
}

FbField FbQuery::FieldByName(const std::string& name) const {
    const int column = statement_.columnIndex(name);
    if (column < 0) throw DatabaseError("Campo " + name + " n\xE3o encontrado");
    return FbField(statement_, column);
}

}  // namespace velm
