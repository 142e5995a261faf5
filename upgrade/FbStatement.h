#pragma once

#include <ibase.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace velm {

class FbDatabase;
class FbTransaction;

// One statement handle on a product-database connection, reused from one
// statement to the next. Freed with the object; a handle of a connection
// that has since closed is simply forgotten (the client freed it already).
class FbStatement {
public:
    explicit FbStatement(FbDatabase& database);
    ~FbStatement();
    FbStatement(const FbStatement&) = delete;
    FbStatement& operator=(const FbStatement&) = delete;

    // Prepares `sql` in the connection's dialect. With `describe`, the result
    // columns are described so that rows can be read.
    void prepare(FbTransaction& transaction, const std::string& sql, bool describe);
    // Runs the prepared statement. A SELECT leaves its cursor open; a
    // procedure with outputs delivers its one row at once (when described).
    void execute(FbTransaction& transaction);
    // Next row of the open cursor; false past the last, the buffers then
    // still holding the last row.
    bool fetch();
    void closeCursor();
    bool cursorOpen() const;
    // A row is in the buffers (after fetch() or a singleton execute()).
    bool hasRow() const { return hasRow_; }
    int statementType() const { return type_; }

    int columnCount() const;
    // Column index by name (output alias), ASCII case ignored; -1 when absent.
    int columnIndex(const std::string& name) const;
    bool isNull(int column) const;
    // Text of the value as stored (ANSI bytes), "" for null or without a row.
    std::string asString(int column) const;
    // Integer value, 0 for null; raises DatabaseError for text that is no integer.
    std::int64_t asInteger(int column) const;

private:
    void release();
    bool stale() const;
    void describeOutput();
    std::string readBlob(const ISC_QUAD& id) const;
    const XSQLVAR& var(int column) const;

    FbDatabase& database_;
    isc_stmt_handle handle_ = 0;
    unsigned connectionId_ = 0;
    int type_ = 0;
    std::vector<char> sqlda_;
    std::vector<std::unique_ptr<char[]>> buffers_;
    std::vector<short> indicators_;
    // The transaction of the last execution (its cursor and blobs live in it).
    FbTransaction* transaction_ = nullptr;
    unsigned transactionId_ = 0;
    bool cursorOpen_ = false;
    bool hasRow_ = false;
};

}  // namespace velm
