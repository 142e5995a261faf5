#pragma once

#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"
#include "support/CatalogueAliases.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"
#include "support/TestServers.h"
#include "upgrade/CatalogueDatabase.h"
#include "upgrade/CatalogueSetup.h"
#include "upgrade/QtCoreApplication.h"

// The MariaDB of the test run, for the catalogue cases that need it.
#define VELM_REQUIRE_TEST_MYSQL()                                                 \
    VELM_REQUIRE_SERVER_VARIABLES("VELM_TEST_MYSQL_HOST", "VELM_TEST_MYSQL_PORT", \
                                  "VELM_TEST_MYSQL_USER", "VELM_TEST_MYSQL_PASSWORD")

namespace velm::test {

// The catalogue login the program's defaults carry (scrambled in CMake).
inline const std::string kCatalogueUser = "velmupdate";
inline const std::string kCataloguePassword = "catalogo-velm-2024";

// The test account of the MariaDB that scripts/services.sh started.
inline std::vector<std::string> mysqlTestLogin() {
    return {"USER NAME=" + serverVariable("VELM_TEST_MYSQL_USER"),
            "PASSWORD=" + serverVariable("VELM_TEST_MYSQL_PASSWORD")};
}

// The alias lines of that server, in the given schema ("" for none).
inline std::vector<std::string> mysqlAlias(const std::string& schema) {
    std::vector<std::string> lines = {"DRIVER=MYSQL",
                                      "SERVER NAME=" + serverVariable("VELM_TEST_MYSQL_HOST"),
                                      "PORT=" + serverVariable("VELM_TEST_MYSQL_PORT")};
    if (!schema.empty()) lines.push_back("DATABASE NAME=" + schema);
    return lines;
}

// The program's connection to the catalogue, as the upgrade window sets it
// up, with the login of the test catalogue's account.
inline void useProgramConnection(CatalogueDatabase& database) {
    database.AliasName = "Check";
    database.DatabaseName = "Sistema_my";
    database.Params = {"USER NAME=" + kCatalogueUser, "PASSWORD=" + kCataloguePassword};
}

// Runs statements on the server as the test account, outside any schema,
// through the alias "Server" of the alias store in force.
inline void onMysqlServer(const std::vector<std::string>& statements) {
    CatalogueDatabase server;
    server.AliasName = "Server";
    server.Params = mysqlTestLogin();
    for (const std::string& sql : statements) executeOnCatalogue(server, sql);
}

// A fresh schema on the test MariaDB that the program's own account (made
// here with the default login) may only read; dropped with the object.
class MysqlSchema {
public:
    explicit MysqlSchema(std::string name) : name_(std::move(name)) {
        const std::string account = "'" + kCatalogueUser + "'@'127.0.0.1'";
        onMysqlServer(
            {"CREATE DATABASE " + name_,
             "CREATE USER IF NOT EXISTS " + account + " IDENTIFIED BY '" + kCataloguePassword + "'",
             "GRANT SELECT ON " + name_ + ".* TO " + account});
    }
    ~MysqlSchema() {
        try {
            onMysqlServer({"DROP DATABASE IF EXISTS " + name_});
        } catch (...) {
            // A schema left behind costs nothing but room: its name is unique.
        }
    }
    MysqlSchema(const MysqlSchema&) = delete;
    MysqlSchema& operator=(const MysqlSchema&) = delete;

private:
    std::string name_;
};

// A test catalogue with its tables, on an SQLite file or on the test
// MariaDB, and an alias store (VELMUPDATE_ALIASES) pointing at it for the
// fixture's lifetime: "Check" as the program reaches it, "Admin" to build
// it. Everything it made goes with it, also when building fails half-way.
// Callers that need MariaDB check its variables first.
class CatalogueFixture {
public:
    enum class Driver { sqlite, mysql };
    // The driver a parameterised case names: "MYSQL", or SQLite for anything else.
    static Driver driverNamed(std::string_view name) {
        return name == "MYSQL" ? Driver::mysql : Driver::sqlite;
    }

    explicit CatalogueFixture(Driver driver) {
        ensureQtApplication();
        if (driver == Driver::mysql) {
            std::random_device random;
            const std::string schema = "velm_cat_" + std::to_string(random() % 1000000000u);
            checkAlias_ = mysqlAlias(schema);
            more_ = aliasSection("Server", mysqlAlias(""));
            writeAliases(checkAlias_);
            schema_.emplace(schema);
            admin.Params = mysqlTestLogin();
        } else {
            const std::string file = folder / "catalogo.db";
            fileSystem().writeTextLines(file, {});  // SQLite takes an empty file as a new database
            checkAlias_ = sqliteCatalogueAlias(file, false);
            writeAliases(sqliteCatalogueAlias(file, true));
        }
        admin.AliasName = "Admin";
        createCatalogueTables(admin);
    }

    // The lines of the alias "Check".
    const std::vector<std::string>& checkAlias() const { return checkAlias_; }
    // Adds an alias to the store.
    void addAlias(const std::string& name, const std::vector<std::string>& lines) {
        const std::vector<std::string> section = aliasSection(name, lines);
        more_.insert(more_.end(), section.begin(), section.end());
        writeAliases(adminAlias_);
    }

    TempFolder folder;
    const std::string aliasFile = folder / "aliases.ini";

private:
    // Declared in this order so that they go in the reverse one: the
    // schema is dropped while the alias store still names the server.
    ScopedEnvironment env_{"VELMUPDATE_ALIASES", aliasFile};
    std::optional<MysqlSchema> schema_;
    std::vector<std::string> checkAlias_;
    std::vector<std::string> adminAlias_;
    std::vector<std::string> more_;

    void writeAliases(std::vector<std::string> adminAlias) {
        adminAlias_ = std::move(adminAlias);
        writeCatalogueAliases(aliasFile, checkAlias_, adminAlias_, more_);
    }

public:
    // Builds the catalogue: tables, scripts, passwords.
    CatalogueDatabase admin;
};

}  // namespace velm::test
