#pragma once

#include <string>

namespace velm {

// The SQL texts of the upgrade run, exactly as the product database and the
// script catalogue have always been sent them. Values are put between single
// quotes with every quote inside doubled, so a value holding a quote stays
// one value; for a value without a quote the text is the plain concatenation.

// On the product database.
inline constexpr char kProductCheckSql[] =
    "SELECT COUNT(*) CT FROM RDB$RELATION_FIELDS where RDB$FIELD_NAME='NOME' AND "
    "RDB$RELATION_NAME='EMPRESA'";
inline constexpr char kVersionTableCheckSql[] =
    "SELECT COUNT(*) CT FROM RDB$RELATION_FIELDS where RDB$FIELD_NAME='VERSAO' AND "
    "RDB$RELATION_NAME='VERSAO'";
inline constexpr char kCreateVersionTableSql[] = "CREATE TABLE VERSAO (VERSAO VARCHAR(10));";
inline constexpr char kSeedVersionSql[] = "insert into versao (versao) values ('0');";
inline constexpr char kReadVersionSql[] = "select versao from versao";

// The text with every single quote doubled.
std::string quoteDoubled(const std::string& value);

// On the catalogue: how many released scripts of the product key lie above
// the recorded version (column ct), and which (programa, versao), in
// version order. Versions compare as text.
std::string pendingCountSql(const std::string& productKey, const std::string& recordedVersion);
std::string pendingListSql(const std::string& productKey, const std::string& recordedVersion);

// On the product database: every row of VERSAO set to the version.
std::string recordVersionSql(const std::string& version);

}  // namespace velm
