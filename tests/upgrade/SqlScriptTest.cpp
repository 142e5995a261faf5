#include "upgrade/SqlScript.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "upgrade/FbError.h"
#include "upgrade/FbFixture.h"
#include "upgrade/ScriptError.h"

namespace velm {
namespace {

// The product database's schema before the catalogue scripts below.
class SqlScriptTest : public test::FbFixture {
protected:
    void SetUp() override {
        FbFixture::SetUp();
        exec("CREATE TABLE CLIENTE (ID INTEGER NOT NULL, NOME VARCHAR(40))");
        exec("CREATE TABLE PRODUTO (ID INTEGER NOT NULL, PRECO NUMERIC(9,2))");
        exec("CREATE VIEW V_CLIENTE AS SELECT ID, NOME FROM CLIENTE");
        exec("CREATE TABLE LOG_ALTERACAO (TABELA VARCHAR(20), ID INTEGER)");
    }

    // Runs a script on the engine and returns the error text ("" when none).
    std::string execute(const std::vector<std::string>& lines) {
        script.setScript(lines);
        try {
            script.ExecuteScript();
        } catch (const std::exception& e) {
            return e.what();
        }
        return {};
    }

    FbTransaction FbTransaction1{&db};
    TSqlScript script{db, FbTransaction1};
};

const std::vector<std::string> kCatalogueScript = {
    "ALTER TABLE CLIENTE ADD LIMITE NUMERIC(9,2);",
    "ALTER TABLE PRODUTO ADD DESCRICAO VARCHAR(60);",
    "DROP VIEW V_CLIENTE;",
    "",
    "SET TERM ^ ;",
    "CREATE TRIGGER CLIENTE_BI FOR CLIENTE ACTIVE BEFORE INSERT POSITION 0 AS",
    "BEGIN",
    "  IF (NEW.LIMITE IS NULL) THEN NEW.LIMITE = 100;",
    "  NEW.NOME = UPPER(NEW.NOME);",
    "END",
    "^",
    "CREATE TRIGGER PRODUTO_AI FOR PRODUTO ACTIVE AFTER INSERT POSITION 0 AS",
    "BEGIN",
    "  INSERT INTO LOG_ALTERACAO (TABELA, ID) VALUES ('PRODUTO', NEW.ID);",
    "END",
    "^",
    "SET TERM ; ^",
    "",
    "INSERT INTO CLIENTE (ID, NOME) VALUES (1, 'maria');",
    "INSERT INTO PRODUTO (ID, PRECO, DESCRICAO) VALUES (1, 2.5, \"caf\xE9\");",
    "CREATE VIEW V_CLIENTE (ID, NOME, LIMITE) AS SELECT ID, NOME, LIMITE FROM CLIENTE;",
};

TEST_F(SqlScriptTest, RunsATypicalCatalogueScript) {
    EXPECT_EQ(execute(kCatalogueScript), "");
    // Schema statements are committed one by one...
    EXPECT_TRUE(hasColumn("CLIENTE", "LIMITE"));
    EXPECT_TRUE(hasColumn("PRODUTO", "DESCRICAO"));
    EXPECT_TRUE(hasColumn("V_CLIENTE", "LIMITE"));
    EXPECT_EQ(scalar("SELECT COUNT(*) AS V FROM RDB$TRIGGERS WHERE RDB$TRIGGER_NAME IN "
                     "('CLIENTE_BI', 'PRODUTO_AI')"),
              "2");
    EXPECT_FALSE(script.DDLTransaction().Active());
    // ...data statements wait in the caller's transaction.
    EXPECT_TRUE(FbTransaction1.Active());
    EXPECT_EQ(count("CLIENTE"), 0);
    FbTransaction1.Commit();
    EXPECT_EQ(scalar("SELECT NOME || ' ' || LIMITE AS V FROM V_CLIENTE"), "MARIA 100.00");
    EXPECT_EQ(scalar("SELECT DESCRICAO AS V FROM PRODUTO"), "caf\xE9");
    EXPECT_EQ(count("LOG_ALTERACAO"), 1);
    EXPECT_EQ(script.Terminator(), ";");
}

TEST_F(SqlScriptTest, FailingTriggerKeepsEarlierSchemaAndPendingData) {
    std::vector<std::string> lines = {
        "ALTER TABLE CLIENTE ADD LIMITE NUMERIC(9,2);",
        "INSERT INTO CLIENTE (ID, NOME) VALUES (1, 'ANA');",
        "ALTER TABLE PRODUTO ADD DESCRICAO VARCHAR(60);",
        "SET TERM ^ ;",
        "CREATE TRIGGER CLIENTE_BI FOR CLIENTE ACTIVE BEFORE INSERT POSITION 0 AS",
        "BEGIN",
        "  NEW.NAO_EXISTE = 1;",
        "END",
        "^",
        "SET TERM ; ^",
        "ALTER TABLE PRODUTO ADD NUNCA INTEGER;",
    };
    script.setScript(lines);
    try {
        script.ExecuteScript();
        FAIL() << "the trigger was accepted";
    } catch (const FbError& e) {
        const std::string text = e.what();
        // The server's own lines, as its client interprets them.
        EXPECT_EQ(text.rfind("unsuccessful metadata update\r\n", 0), 0u) << text;
        EXPECT_NE(text.find("Column unknown\r\nNEW.NAO_EXISTE"), std::string::npos) << text;
        EXPECT_NE(text.back(), '.');
        EXPECT_NE(e.sqlCode(), 0);
    }
    EXPECT_TRUE(hasColumn("CLIENTE", "LIMITE"));
    EXPECT_TRUE(hasColumn("PRODUTO", "DESCRICAO"));
    EXPECT_FALSE(hasColumn("PRODUTO", "NUNCA"));
    EXPECT_FALSE(script.DDLTransaction().Active());  // rolled back before the error went on
    EXPECT_TRUE(FbTransaction1.Active());
    EXPECT_EQ(count("CLIENTE"), 0);
    EXPECT_EQ(script.Terminator(), "^");  // the script stopped before switching back
    FbTransaction1.Commit();
    EXPECT_EQ(count("CLIENTE"), 1);
}

TEST_F(SqlScriptTest, ParseErrorRaisesWithItsLineAfterTheStatementsBeforeIt) {
    const std::vector<std::string> lines = {
        "ALTER TABLE CLIENTE ADD LIMITE NUMERIC(9,2);",
        "INSERT INTO CLIENTE (ID, NOME) VALUES (1, 'ANA');",
        "",
        "RECREATE TABLE X (A INTEGER);",
        "ALTER TABLE PRODUTO ADD NUNCA INTEGER;",
    };
    script.setScript(lines);
    try {
        script.ExecuteScript();
        FAIL() << "a parse error passed as success";
    } catch (const ScriptError& e) {
        EXPECT_EQ(std::string(e.what()), "Invalid statement (linha 4)");
        EXPECT_EQ(e.reason(), "Invalid statement");
        EXPECT_EQ(e.line(), 4);
    }
    EXPECT_TRUE(hasColumn("CLIENTE", "LIMITE"));
    EXPECT_FALSE(hasColumn("PRODUTO", "NUNCA"));
    EXPECT_TRUE(FbTransaction1.Active());
    FbTransaction1.Commit();
    EXPECT_EQ(count("CLIENTE"), 1);

    EXPECT_EQ(execute({"ALTER TABLE PRODUTO ADD A INTEGER;", "/* sem fim",
                       "ALTER TABLE PRODUTO ADD B INTEGER;"}),
              "Invalid Comment (linha 2)");
    EXPECT_TRUE(hasColumn("PRODUTO", "A"));
    EXPECT_FALSE(hasColumn("PRODUTO", "B"));

    EXPECT_EQ(execute({"ALTER\tTABLE PRODUTO ADD C INTEGER;"}), "Invalid statement (linha 1)");
    EXPECT_EQ(execute({"commit work ;"}), "Invalid statement (linha 1)");
    // A leading "--" comment is not the statement's line, as a "/* */" one is not.
    EXPECT_EQ(execute({"-- recria a tabela", "RECREATE TABLE X (A INTEGER);"}),
              "Invalid statement (linha 2)");
}

TEST_F(SqlScriptTest, TerminatorAndAutoDdlPersistOnTheEngine) {
    EXPECT_EQ(execute({"SET TERM ^ ;", "ALTER TABLE PRODUTO ADD A INTEGER^"}), "");
    EXPECT_EQ(script.Terminator(), "^");
    EXPECT_EQ(execute({"ALTER TABLE PRODUTO ADD B INTEGER^", "SET TERM ; ^"}), "");
    EXPECT_TRUE(hasColumn("PRODUTO", "B"));
    EXPECT_EQ(script.Terminator(), ";");

    // "on" followed by a blank is compared as stored: AutoDDL goes off.
    EXPECT_EQ(execute({"SET AUTODDL on ;", "ALTER TABLE PRODUTO ADD C INTEGER;"}), "");
    EXPECT_FALSE(script.AutoDDL());
    EXPECT_TRUE(FbTransaction1.Active());  // the schema change is pending in the main transaction
    EXPECT_FALSE(hasColumn("PRODUTO", "C"));
    FbTransaction1.Rollback();
    EXPECT_FALSE(hasColumn("PRODUTO", "C"));
    EXPECT_EQ(execute({"SET AUTODDL on;", "ALTER TABLE PRODUTO ADD D INTEGER;"}), "");
    EXPECT_TRUE(script.AutoDDL());
    EXPECT_TRUE(hasColumn("PRODUTO", "D"));
}

TEST_F(SqlScriptTest, CommitAndRollbackStatementsEndBothTransactions) {
    EXPECT_EQ(execute({"INSERT INTO CLIENTE (ID) VALUES (1);", "commit work;",
                       "INSERT INTO CLIENTE (ID) VALUES (2);", "ROLLBACK;",
                       "INSERT INTO CLIENTE (ID) VALUES (3);", "COMMIT RETAINING;",
                       "INSERT INTO CLIENTE (ID) VALUES (4);", "ROLLBACK RETAINING;",
                       "INSERT INTO CLIENTE (ID) VALUES (5);", "SAVEPOINT S1;",
                       "INSERT INTO CLIENTE (ID) VALUES (6);", "ROLLBACK TO SAVEPOINT S1;",
                       "SELECT * FROM CLIENTE;", "COMMIT;"}),
              "");
    EXPECT_FALSE(FbTransaction1.Active());
    EXPECT_EQ(scalar("SELECT LIST(ID) AS V FROM (SELECT ID FROM CLIENTE ORDER BY ID)"), "1,3,5");
}

TEST_F(SqlScriptTest, BodiesCommentsAndLastStatementWithoutTerminator) {
    EXPECT_EQ(
        execute({"-- procedimento novo; sem SET TERM", "CREATE PROCEDURE DOBRO (N INTEGER)",
                 "RETURNS (R INTEGER) AS", "BEGIN", "  R = N * 2;", "  SUSPEND;", "END;",
                 "/* antes */ INSERT INTO CLIENTE (ID, NOME) /* dentro; */ VALUES (1, 'a;b');",
                 "INSERT INTO CLIENTE (ID, NOME)", "VALUES (2, 'it''s')"}),
        "");
    FbTransaction1.Commit();
    EXPECT_EQ(scalar("SELECT R AS V FROM DOBRO(21)"), "42");
    EXPECT_EQ(scalar("SELECT LIST(NOME, '|') AS V FROM (SELECT NOME FROM CLIENTE ORDER BY ID)"),
              "a;b|it's");
}

// Without SET TERM a trigger body runs to the END of its outer block, past
// the END of every CASE, and the statements after it still run.
TEST_F(SqlScriptTest, CaseInsideABodyWithoutSetTerm) {
    EXPECT_EQ(
        execute({"CREATE TRIGGER CLIENTE_BI FOR CLIENTE ACTIVE BEFORE INSERT POSITION 0 AS",
                 "BEGIN", "  -- don't trust the caller: case by case",
                 "  NEW.NOME = CASE WHEN NEW.NOME IS NULL THEN 'sem nome' ELSE NEW.NOME END", "  ;",
                 "  NEW.ID = ( CASE NEW.ID WHEN 0 THEN CASE WHEN NEW.NOME = 'x' THEN 1 "
                 "ELSE 100 END ELSE NEW.ID END);",
                 "END;", "INSERT INTO CLIENTE (ID) VALUES (0);", "COMMIT;"}),
        "");
    EXPECT_EQ(scalar("SELECT ID || ' ' || NOME AS V FROM CLIENTE"), "100 sem nome");
}

TEST_F(SqlScriptTest, DialectChangeReopensTheConnection) {
    EXPECT_EQ(script.SQLDialect(), 3);
    EXPECT_EQ(db.SQLDialect(), 1);
    EXPECT_EQ(execute({"INSERT INTO CLIENTE (ID, NOME) VALUES (1, \"um\");", "SET SQL DIALECT 3;",
                       "INSERT INTO CLIENTE (ID, \"NOME\") VALUES (2, 'dois');"}),
              "");
    EXPECT_EQ(db.SQLDialect(), 3);
    EXPECT_TRUE(db.Connected());
    FbTransaction1.Commit();
    EXPECT_EQ(count("CLIENTE"), 2);  // the insert before the change was kept
    EXPECT_EQ(execute({"SET SQL DIALECT x;"}), "'X' n\xE3o \xE9 um valor inteiro v\xE1lido");
    EXPECT_EQ(execute({"SET SQL DIALECT 1;"}), "");
    EXPECT_EQ(db.SQLDialect(), 1);
    EXPECT_EQ(script.SQLDialect(), 1);
}

// Only dialects 1 to 3 are asked for; the connection stays as it was.
TEST_F(SqlScriptTest, RefusesDialectsOutsideOneToThree) {
    for (const char* value : {"0", "4", "-1", "300"}) {
        SCOPED_TRACE(value);
        EXPECT_EQ(execute({"", std::string("SET SQL DIALECT ") + value + ";"}),
                  std::string("Dialeto SQL inv\xE1lido: ") + value + " (linha 2)");
        EXPECT_TRUE(db.Connected());
        EXPECT_EQ(db.SQLDialect(), 1);
        EXPECT_EQ(script.SQLDialect(), 3);
    }
    EXPECT_EQ(execute({"INSERT INTO CLIENTE (ID, NOME) VALUES (1, \"um\");", "COMMIT;"}), "");
    EXPECT_EQ(count("CLIENTE"), 1);
}

// A reopen that fails puts both dialects back, so the next database opens
// as the window asked for it.
TEST_F(SqlScriptTest, FailedDialectReopenRestoresTheDialects) {
    const std::string moved = folder / "MOVIDO.FDB";
    // The open file goes on working where it is; a new attachment finds nothing.
    ASSERT_EQ(std::rename(path.c_str(), moved.c_str()), 0);
    EXPECT_NE(execute({"SET SQL DIALECT 3;"}).find("I/O error"), std::string::npos);
    EXPECT_FALSE(db.Connected());
    EXPECT_EQ(db.SQLDialect(), 1);
    EXPECT_EQ(script.SQLDialect(), 3);
    ASSERT_EQ(std::rename(moved.c_str(), path.c_str()), 0);
    db.Open();
    // Double quotes delimit strings in dialect 1 only.
    EXPECT_EQ(scalar("SELECT \"um\" AS V FROM RDB$DATABASE"), "um");
}

// The server reports "object ... is in use" only at commit: the failed
// change is rolled back and later schema statements work.
TEST_F(SqlScriptTest, SchemaStatementFailingAtCommitIsRolledBack) {
    FbTransaction reader(&db);
    FbQuery inUse(db, reader);
    inUse.setSQL("SELECT ID FROM LOG_ALTERACAO");
    inUse.ExecQuery();
    const std::string error =
        execute({"ALTER TABLE PRODUTO ADD A INTEGER;", "DROP TABLE LOG_ALTERACAO;"});
    EXPECT_NE(error.find("is in use"), std::string::npos) << error;
    EXPECT_FALSE(script.DDLTransaction().Active());
    EXPECT_EQ(execute({"ALTER TABLE PRODUTO ADD B INTEGER;"}), "");
    EXPECT_TRUE(hasColumn("PRODUTO", "A"));
    EXPECT_TRUE(hasColumn("PRODUTO", "B"));
    inUse.Close();
    reader.Commit();
    EXPECT_TRUE(hasColumn("LOG_ALTERACAO", "ID"));
}

// "DELETE FROM T<NUL> WHERE ..." would reach the server as "DELETE FROM T".
TEST_F(SqlScriptTest, StatementWithNulIsRefusedAtItsLine) {
    using namespace std::string_literals;
    exec("INSERT INTO CLIENTE (ID, NOME) VALUES (1, 'um')");
    exec("INSERT INTO CLIENTE (ID, NOME) VALUES (2, 'dois')");
    EXPECT_EQ(execute({"INSERT INTO CLIENTE (ID) VALUES (3);",
                       "DELETE FROM CLIENTE"s + '\0' + " WHERE ID = 1;", "COMMIT;"}),
              "Caractere nulo no comando (linha 2)");
    FbTransaction1.Commit();
    EXPECT_EQ(count("CLIENTE"), 3);
}

TEST_F(SqlScriptTest, RefusesStatementsThatLeaveTheDatabase) {
    EXPECT_EQ(execute({"INPUT 'outro.sql';"}),
              "Comando n\xE3o permitido em script: INPUT 'OUTRO.SQL' (linha 1)");
    EXPECT_EQ(execute({"", "CREATE DATABASE 'x.fdb';"}),
              "Comando n\xE3o permitido em script: CREATE DATABASE (linha 2)");
    EXPECT_EQ(execute({"DROP DATABASE;"}),
              "Comando n\xE3o permitido em script: DROP DATABASE (linha 1)");
    EXPECT_TRUE(db.Connected());
}

TEST_F(SqlScriptTest, SetTransactionStartsTheMainTransaction) {
    EXPECT_EQ(execute({"SET TRANSACTION READ ONLY;", "SELECT * FROM CLIENTE;"}), "");
    EXPECT_TRUE(FbTransaction1.Active());
    EXPECT_NE(execute({"INSERT INTO CLIENTE (ID) VALUES (1);"}), "");  // read-only
    EXPECT_EQ(execute({"SET TRANSACTION;"}), "SET TRANSACTION com transa\xE7\xE3o ativa (linha 1)");
    FbTransaction1.Rollback();
}

TEST(SqlScriptServer, RunsOnTheServerToo) {
    VELM_REQUIRE_SERVER_VARIABLES("VELM_TEST_FIREBIRD_HOST", "VELM_TEST_FIREBIRD_DIR");
    test::ServerDatabase server("script");
    FbDatabase db;
    test::setProductLogin(db);
    db.setDatabaseName(server.name);
    db.Open();
    FbTransaction tr(&db);
    TSqlScript script(db, tr);
    script.setScript({"CREATE TABLE CLIENTE (ID INTEGER, NOME VARCHAR(40));", "SET TERM ^ ;",
                      "CREATE TRIGGER CLIENTE_BI FOR CLIENTE BEFORE INSERT AS", "BEGIN",
                      "  NEW.NOME = UPPER(NEW.NOME);", "END", "^", "SET TERM ; ^",
                      "INSERT INTO CLIENTE VALUES (1, 'jo\xE3o');"});
    script.ExecuteScript();
    tr.Commit();
    FbQuery q(db, tr);
    q.setSQL("SELECT NOME FROM CLIENTE");
    q.ExecQuery();
    EXPECT_EQ(q.FieldByName("NOME").AsString(), "JO\xE3O");
    tr.Commit();
}

}  // namespace
}  // namespace velm
