#pragma once

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

namespace velm::bench {

// A catalogue-like script of `statements` statements in blocks of 100 (one
// block of them all when fewer): a CREATE TABLE, INSERTs with quoted text
// holding ";" and doubled quotes, a trigger under SET TERM in the middle, a
// COMMIT closing the block, a comment now and then, as the product's upgrade
// scripts look (25 statements: a table, 20 inserts, a trigger, a COMMIT). (The COMMIT
// lets the next block's inserts see the next block's table: data statements
// run on one transaction that started before it was created.) Tables are
// numbered from `firstTable` + 1, so that scripts made one after another
// can run on the same database.
inline std::vector<std::string> generateScript(int statements, int firstTable = 0) {
    std::vector<std::string> lines;
    int table = firstTable;
    // Built by appending (GCC 12 warns falsely on "literal" + temporary).
    auto join = [](std::initializer_list<std::string> parts) {
        std::string text;
        for (const auto& part : parts) text += part;
        return text;
    };
    const int block = std::min(statements, 100);
    for (int i = 0; i < statements; ++i) {
        if (i % block == 0) {
            ++table;
            const std::string n = std::to_string(table);
            lines.push_back(join({"/* tabela ", n, " */"}));
            lines.push_back(join({"CREATE TABLE T", n,
                                  " (ID INTEGER NOT NULL, NOME VARCHAR(60), VALOR NUMERIC(15,2), "
                                  "OBS VARCHAR(80));"}));
        } else if (i % block == block - 1) {
            lines.push_back("COMMIT;");
        } else if (i % block == block / 2) {
            const std::string t = join({"T", std::to_string(table)});
            lines.push_back("SET TERM ^ ;");
            lines.push_back(
                join({"CREATE TRIGGER ", t, "_BI FOR ", t, " ACTIVE BEFORE INSERT POSITION 0 AS"}));
            lines.push_back("BEGIN");
            lines.push_back("  IF (NEW.VALOR IS NULL) THEN NEW.VALOR = 0;");
            lines.push_back("  NEW.NOME = UPPER(NEW.NOME);");
            lines.push_back("END");
            lines.push_back("^");
            lines.push_back("SET TERM ; ^");
            i += 2;  // the two SET TERM statements
        } else {
            const std::string n = std::to_string(i);
            lines.push_back(
                join({"INSERT INTO T", std::to_string(table), " (ID, NOME, VALOR, OBS) VALUES (", n,
                      ", 'cliente ", n, "; d''avila', ", std::to_string(i % 997), ".25, \"obs; ", n,
                      "\");"}));
        }
    }
    return lines;
}

inline std::size_t scriptBytes(const std::vector<std::string>& lines) {
    std::size_t bytes = 0;
    for (const auto& line : lines) bytes += line.size() + 2;
    return bytes;
}

}  // namespace velm::bench
