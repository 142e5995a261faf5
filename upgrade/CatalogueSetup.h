#pragma once

#include <string>
#include <vector>

namespace velm {

class CatalogueDatabase;

// Building a script catalogue (tests, benchmarks and the demo; the updater
// itself only reads it). Works on an open connection of either driver.
//
// Schema:
//   scripts   (programa VARCHAR(20) NOT NULL, versao VARCHAR(10) NOT NULL,
//              data DATETIME, texto BLOB NOT NULL (LONGBLOB on MySQL),
//              liberado CHAR(1) NOT NULL DEFAULT 'N',
//              PRIMARY KEY (programa, versao))
//   principal (senha_ftp VARCHAR(60), senha_ftp2 VARCHAR(60))
// programa and versao compare in binary (code point) order on both drivers,
// so versions order as plain text ("10" before "9").

struct CatalogueScript {
    std::string programa;
    std::string versao;
    std::string texto;  // the script's ANSI bytes, stored unchanged
    std::string liberado = "S";
};

// Creates both tables (raises DatabaseError when they exist).
void createCatalogueTables(CatalogueDatabase& database);
void addCatalogueScript(CatalogueDatabase& database, const CatalogueScript& script);
// Replaces the one row of principal; the values are stored scrambled, as
// the updater reads them (UTF-8 text here).
void setCatalogueFtpPasswords(CatalogueDatabase& database, const std::string& senhaFtpUtf8,
                              const std::string& senhaFtp2Utf8);
// Runs one statement on the connection (administration in tests and setup).
void executeOnCatalogue(CatalogueDatabase& database, const std::string& sql);

}  // namespace velm
