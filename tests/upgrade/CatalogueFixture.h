#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"
#include "support/TestServers.h"
#include "upgrade/CatalogueDatabase.h"
#include "upgrade/CatalogueSetup.h"
#include "upgrade/QtCoreApplication.h"

namespace velm::test {

// The catalogue login the program's defaults carry (scrambled in CMake).
inline const std::string kCatalogueUser = "velmupdate";
inline const std::string kCataloguePassword = "catalogo-velm-2024";

// Where a test catalogue lives: an alias store with "Check" for the program
// and "Admin" for building the catalogue.
class CatalogueBackend {
public:
    virtual ~CatalogueBackend() = default;
    // Skips the test (returns false) when the backend is not available.
    virtual const char* name() const = 0;
    // Alias lines for the program's connection ("Check").
    virtual std::vector<std::string> checkAlias() const = 0;
    // Alias lines for a connection that may build the catalogue.
    virtual std::vector<std::string> adminAlias() const = 0;
    virtual std::vector<std::string> adminLogin() const { return {}; }
};

class SqliteBackend : public CatalogueBackend {
public:
    explicit SqliteBackend(const TempFolder& folder) : file_(folder / "catalogo.db") {
        fileSystem().writeTextLines(file_, {});  // SQLite takes an empty file as a new database
    }
    const char* name() const override { return "SQLITE"; }
    std::vector<std::string> checkAlias() const override {
        return {"DRIVER=SQLITE", "DATABASE NAME=" + file_};
    }
    std::vector<std::string> adminAlias() const override {
        return {"DRIVER=SQLITE", "DATABASE NAME=" + file_, "OPEN MODE=READ/WRITE"};
    }

private:
    std::string file_;
};

// A fresh schema on the MariaDB of the test run, read by the program's own
// account (created here with the default login and SELECT rights only).
class MysqlBackend : public CatalogueBackend {
public:
    MysqlBackend() {
        std::random_device random;
        schema_ = "velm_cat_" + std::to_string(random() % 1000000000u);
    }
    const char* name() const override { return "MYSQL"; }
    std::vector<std::string> checkAlias() const override {
        return {"DRIVER=MYSQL", "SERVER NAME=" + serverVariable("VELM_TEST_MYSQL_HOST"),
                "PORT=" + serverVariable("VELM_TEST_MYSQL_PORT"), "DATABASE NAME=" + schema_};
    }
    std::vector<std::string> adminAlias() const override { return checkAlias(); }
    std::vector<std::string> adminLogin() const override {
        return {"USER NAME=" + serverVariable("VELM_TEST_MYSQL_USER"),
                "PASSWORD=" + serverVariable("VELM_TEST_MYSQL_PASSWORD")};
    }
    // Creates the schema and the program's account (run before the
    // catalogue is built), through a connection without a schema.
    void prepareServer(const std::string& aliasFile) const;
    void dropSchema(const std::string& aliasFile) const;
    const std::string& schema() const { return schema_; }

private:
    std::string schema_;
};

inline void writeAliases(const std::string& file, const std::vector<std::string>& check,
                         const std::vector<std::string>& admin,
                         const std::vector<std::string>& server = {}) {
    std::vector<std::string> lines = {"[Check]"};
    lines.insert(lines.end(), check.begin(), check.end());
    lines.push_back("[Admin]");
    lines.insert(lines.end(), admin.begin(), admin.end());
    if (!server.empty()) {
        lines.push_back("[Server]");
        lines.insert(lines.end(), server.begin(), server.end());
    }
    fileSystem().writeTextLines(file, lines);
}

// Runs statements on the server as the test account, outside any schema.
inline void onMysqlServer(const std::string& aliasFile, const std::vector<std::string>& login,
                          const std::vector<std::string>& statements) {
    CatalogueDatabase admin;
    admin.AliasName = "Server";
    admin.Params = login;
    ScopedEnvironment env("VELMUPDATE_ALIASES", aliasFile);
    for (const std::string& sql : statements) executeOnCatalogue(admin, sql);
}

inline void MysqlBackend::prepareServer(const std::string& aliasFile) const {
    const std::string account = "'" + kCatalogueUser + "'@'127.0.0.1'";
    onMysqlServer(
        aliasFile, adminLogin(),
        {"CREATE DATABASE " + schema_,
         "CREATE USER IF NOT EXISTS " + account + " IDENTIFIED BY '" + kCataloguePassword + "'",
         "GRANT SELECT ON " + schema_ + ".* TO " + account});
}

inline void MysqlBackend::dropSchema(const std::string& aliasFile) const {
    onMysqlServer(aliasFile, adminLogin(), {"DROP DATABASE IF EXISTS " + schema_});
}

// Builds a test catalogue on the chosen backend and points the alias store
// (VELMUPDATE_ALIASES) at it for the test's lifetime.
class CatalogueFixture {
public:
    // Returns false (after GTEST_SKIP) when MySQL is asked for but absent.
    void SetUpBackend(bool mysql) {
        ensureQtApplication();
        aliasFile = folder / "aliases.ini";
        if (mysql) {
            auto backend = std::make_unique<MysqlBackend>();
            const std::vector<std::string> server = {
                "DRIVER=MYSQL", "SERVER NAME=" + serverVariable("VELM_TEST_MYSQL_HOST"),
                "PORT=" + serverVariable("VELM_TEST_MYSQL_PORT")};
            writeAliases(aliasFile, backend->checkAlias(), backend->adminAlias(), server);
            backend->prepareServer(aliasFile);
            mysql_ = backend.get();
            backend_ = std::move(backend);
        } else {
            backend_ = std::make_unique<SqliteBackend>(folder);
            writeAliases(aliasFile, backend_->checkAlias(), backend_->adminAlias());
        }
        env_ = std::make_unique<ScopedEnvironment>("VELMUPDATE_ALIASES", aliasFile);
        admin.AliasName = "Admin";
        admin.Params = backend_->adminLogin();
        createCatalogueTables(admin);
    }

    void TearDownBackend() {
        admin.Close();
        env_.reset();
        if (mysql_) mysql_->dropSchema(aliasFile);
    }

    TempFolder folder;
    std::string aliasFile;
    CatalogueDatabase admin;
    std::unique_ptr<CatalogueBackend> backend_;

private:
    MysqlBackend* mysql_ = nullptr;
    std::unique_ptr<ScopedEnvironment> env_;
};

}  // namespace velm::test
