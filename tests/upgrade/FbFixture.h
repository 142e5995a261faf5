#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "support/TempFolder.h"
#include "support/TestServers.h"
#include "upgrade/FbDatabase.h"
#include "upgrade/FbQuery.h"
#include "upgrade/FbTransaction.h"

namespace velm::test {

// The product database's login, as the upgrade window sets it.
inline void setProductLogin(FbDatabase& database) {
    useProductLogin(database);
}

// Opens `db` on the product database at `path` with the product's login.
inline void openProductDatabase(FbDatabase& db, const std::string& path) {
    setProductLogin(db);
    db.setDatabaseName(path);
    db.Open();
}

// Runs each statement on its own transaction and commits it.
inline void execCommitted(FbDatabase& db, const std::vector<std::string>& statements) {
    for (const std::string& sql : statements) {
        FbTransaction tr(&db);
        FbQuery q(db, tr);
        q.setSQL(sql);
        q.ExecQuery();
        tr.Commit();
    }
}

// Column V of every row, read on a fresh transaction (so it sees only
// committed data).
inline std::vector<std::string> columnV(FbDatabase& db, const std::string& sql) {
    FbTransaction tr(&db);
    FbQuery q(db, tr);
    q.setSQL(sql);
    std::vector<std::string> values;
    for (q.ExecQuery(); !q.Eof(); q.Next()) values.push_back(q.FieldByName("V").AsString());
    tr.Rollback();
    return values;
}

// A fresh dialect-1 product database in a temporary folder, opened through
// the embedded engine, with a transaction and a query for checks.
class FbFixture : public ::testing::Test {
protected:
    void SetUp() override {
        path = folder / "PRODUTO.FDB";
        FbDatabase::createDatabase(path, kProductUser, kProductPassword, 1);
        openProductDatabase(db, path);
    }

    // Runs one statement on its own transaction and commits it.
    void exec(const std::string& sql) { execCommitted(db, {sql}); }

    // Column V of the first row of committed data ("<none>" without rows).
    std::string scalar(const std::string& sql) {
        const std::vector<std::string> values = columnV(db, sql);
        return values.empty() ? "<none>" : values.front();
    }

    // Count of committed rows of a table.
    long long count(const std::string& table) {
        return std::stoll(scalar("SELECT COUNT(*) AS V FROM " + table));
    }

    // True when a committed table or view has the column.
    bool hasColumn(const std::string& relation, const std::string& column) {
        return scalar("SELECT COUNT(*) AS V FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME='" +
                      relation + "' AND RDB$FIELD_NAME='" + column + "'") != "0";
    }

    TempFolder folder;
    std::string path;
    FbDatabase db;
};

// A new dialect-1 database on the Firebird server of the test run, in its
// folder (VELM_TEST_FIREBIRD_DIR), reached as "host:path"; removed at the end.
struct ServerDatabase {
    explicit ServerDatabase(const std::string& prefix) {
        std::random_device random;
        file = serverVariable("VELM_TEST_FIREBIRD_DIR") + "/" + prefix + "-" +
               std::to_string(random()) + ".fdb";
        name = serverVariable("VELM_TEST_FIREBIRD_HOST") + ":" + file;
        FbDatabase::createDatabase(name, kProductUser, kProductPassword, 1);
    }
    ~ServerDatabase() { std::remove(file.c_str()); }
    ServerDatabase(const ServerDatabase&) = delete;
    ServerDatabase& operator=(const ServerDatabase&) = delete;

    std::string file;
    std::string name;
};

}  // namespace velm::test
