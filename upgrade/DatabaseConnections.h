#pragma once

#include "upgrade/CatalogueDatabase.h"
#include "upgrade/CatalogueQuery.h"
#include "upgrade/CatalogueTable.h"
#include "upgrade/DBMemo.h"
#include "upgrade/FbDatabase.h"
#include "upgrade/FbQuery.h"
#include "upgrade/FbTransaction.h"
#include "upgrade/SqlScript.h"

namespace velm {

// Every database connection the updater uses, with its queries and the
// script engine, set up as the upgrade window's design has them: the script
// catalogue (alias "Check", database name "Sistema_my") and the product
// database (SQL dialect 1, its name set before each use). The upgrade window
// holds one for the life of the process; the database-list test, the update
// run (the FTP password through Query3) and the upgrade run take it. It
// opens nothing by itself.
class DatabaseConnections {
public:
    DatabaseConnections();
    DatabaseConnections(const DatabaseConnections&) = delete;
    DatabaseConnections& operator=(const DatabaseConnections&) = delete;

    // The script catalogue.
    CatalogueDatabase Database1;
    // Pending scripts of one product database (programa, versao); the
    // master of Table2.
    CatalogueQuery Query2{Database1};
    // Counts, and the FTP password.
    CatalogueQuery Query3{Database1};
    // The scripts row of Query2's current (programa, versao).
    CatalogueTable Table2{Database1};
    // Table2's texto as lines.
    DBMemo DBMemo1;

    // The product database.
    FbDatabase FbDatabase1;
    // Transaction of the script engine.
    FbTransaction FbTransaction1{&FbDatabase1};
    TSqlScript FbScript1{FbDatabase1, FbTransaction1};
    // Transaction of FbQuery1.
    FbTransaction FbTransaction2{&FbDatabase1};
    // Existence checks and the VERSAO table.
    FbQuery FbQuery1{FbDatabase1, FbTransaction2};

    // The catalogue connection's two login lines, "USER NAME=" and
    // "PASSWORD=", replacing whatever parameters it had.
    void setCatalogueLogin();

    // Gives the engine the script's lines in the state every script starts
    // from, whatever the script before left: terminator ";", AutoDDL on, and
    // the product connection at its own dialect.
    void startScript(const std::vector<std::string>& lines);
    // Puts the product connection back at its own dialect when a script
    // switched it (SET SQL DIALECT), reopening it when it is open.
    void useProductDialect();

    // After an error: closes the catalogue data sets and rolls back and
    // closes the product connection, swallowing their errors (the first
    // error is the one worth reporting). The catalogue connection stays.
    void abandonProductWork();

private:
    int productDialect_;
};

}  // namespace velm
