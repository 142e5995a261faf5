#pragma once

#include <cstdint>
#include <string>

#include "upgrade/FbStatement.h"

namespace velm {

class FbDatabase;
class FbTransaction;
class FbQuery;

// One column of the query's current row.
class FbField {
public:
    FbField(const FbStatement& statement, int column) : statement_(statement), column_(column) {}
    bool IsNull() const { return statement_.isNull(column_); }
    std::string AsString() const { return statement_.asString(column_); }
    std::int64_t AsInteger() const { return statement_.asInteger(column_); }

private:
    const FbStatement& statement_;
    int column_;
};

// A query on the product database: SQL text replaced whole before each run,
// its rows read by column name.
class FbQuery {
public:
    FbQuery(FbDatabase& database, FbTransaction& transaction);

    const std::string& SQL() const { return sql_; }
    void setSQL(const std::string& sql) { sql_ = sql; }

    // Prepares and runs the text on the transaction, which is started when
    // not active. A SELECT then stands on its first row (Eof when none).
    void ExecQuery();
    // A cursor is open (a SELECT ran and its transaction has not ended).
    bool Open() const { return statement_.cursorOpen(); }
    bool Eof() const { return eof_; }
    void Next();
    void Close();
    // Raises DatabaseError for a column the result does not have.
    FbField FieldByName(const std::string& name) const;

    FbTransaction& Transaction() const { return transaction_; }

private:
    FbDatabase& database_;
    FbTransaction& transaction_;
    FbStatement statement_;
    std::string sql_;
    bool eof_ = true;
};

}  // namespace velm
