#pragma once

#include <ibase.h>

#include <string>
#include <vector>

namespace velm {

class FbTransaction;

// A connection to the product database through the InterBase client API.
// `DatabaseName` is a bare path (embedded engine, no server needed) or
// "host:path" (a server). `Params` are the connection's NAME=VALUE lines
// (user_name, password, sql_dialect, lc_ctype); `SQLDialect` is the dialect
// statements are prepared in.
//
// Closing ends (rolls back) every transaction still active on the
// connection, since the server refuses to detach while one is open.
class FbDatabase {
public:
    FbDatabase() = default;
    ~FbDatabase();
    FbDatabase(const FbDatabase&) = delete;
    FbDatabase& operator=(const FbDatabase&) = delete;

    const std::string& DatabaseName() const { return databaseName_; }
    void setDatabaseName(const std::string& name) { databaseName_ = name; }
    std::vector<std::string> Params;
    int SQLDialect() const { return sqlDialect_; }
    // Also rewrites an existing "sql_dialect=" parameter line, so that the
    // next open asks the server for the same dialect.
    void setSQLDialect(int dialect);

    // Raises FbError when the server cannot be reached or refuses the login.
    // Opening an open connection does nothing.
    void Open();
    void Close();
    bool Connected() const { return handle_ != 0; }

    isc_db_handle* handle() { return &handle_; }
    // Changes every time the connection opens: statement handles of an
    // earlier connection are gone with it.
    unsigned connectionId() const { return connectionId_; }

    // Creates a new database file (tests, benchmarks, the demo) with the
    // given owner and dialect; it is left closed.
    static void createDatabase(const std::string& name, const std::string& user,
                               const std::string& password, int dialect, int pageSize = 8192);

private:
    friend class FbTransaction;
    void attach(FbTransaction* transaction);
    void detach(FbTransaction* transaction);
    std::string target() const;

    std::string databaseName_;
    int sqlDialect_ = 3;
    isc_db_handle handle_ = 0;
    unsigned connectionId_ = 0;
    std::vector<FbTransaction*> transactions_;
};

// The product database's owner: the login of the upgrade window, and the
// owner that tests, benchmarks and the demo create product databases with.
inline constexpr char kProductUser[] = "ROOT";
inline constexpr char kProductPassword[] = "857461";

// Logs in as the product database's owner in dialect 1.
void useProductLogin(FbDatabase& database);

}  // namespace velm
