#include <gtest/gtest.h>

#include <optional>

#include "upgrade/CatalogueFixture.h"
#include "upgrade/CatalogueQuery.h"
#include "upgrade/CatalogueTable.h"
#include "upgrade/DBMemo.h"
#include "upgrade/DatabaseConnections.h"
#include "upgrade/DatabaseError.h"

namespace velm {
namespace {

const std::string kLongLine(5000, 'x');

// The catalogue as the upgrade window reads it, on SQLite and on MariaDB.
class CatalogueTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        if (isMysql()) VELM_REQUIRE_TEST_MYSQL();
        catalogue.emplace(test::CatalogueFixture::driverNamed(GetParam()));
        test::useProgramConnection(Database1);
    }
    bool isMysql() const { return std::string(GetParam()) == "MYSQL"; }
    CatalogueDatabase& admin() { return catalogue->admin; }

    // Declared first, so the catalogue outlives the connections to it.
    std::optional<test::CatalogueFixture> catalogue;
    // The catalogue's part of the upgrade window's connections.
    DatabaseConnections connections;
    CatalogueDatabase& Database1 = connections.Database1;
    CatalogueQuery& Query2 = connections.Query2;
    CatalogueQuery& Query3 = connections.Query3;
    CatalogueTable& Table2 = connections.Table2;
    DBMemo& DBMemo1 = connections.DBMemo1;
};

TEST_P(CatalogueTest, DeliversThePendingScriptsLineByLine) {
    addCatalogueScript(admin(), {"QUORIX_SENHA", "1", "SELECT 1 FROM RDB$DATABASE;"});
    addCatalogueScript(admin(), {"QUORIX_SENHA", "10", "ALTER TABLE A ADD B INTEGER;\nCOMMIT;\n"});
    addCatalogueScript(admin(), {"QUORIX_SENHA", "9", "UM;\rDOIS;\r\rQUATRO"});
    addCatalogueScript(admin(), {"QUORIX_SENHA", "9a",
                                 "INSERT INTO T VALUES ('Conex\xE3o \x80\x81\x9C\xFF');\r\n" +
                                     kLongLine + "\r\nFIM\r\n"});
    addCatalogueScript(admin(), {"QUORIX_SENHA", "95", "nunca", "N"});
    addCatalogueScript(admin(), {"OUTRO", "99", "nunca"});

    ASSERT_FALSE(Database1.Connected());
    Query3.setSQL(
        "select count(*) ct from scripts where programa='QUORIX_SENHA' and versao>'1'"
        " and liberado='S' order by versao");
    Query3.Open();  // opens the connection first
    EXPECT_TRUE(Database1.Connected());
    EXPECT_EQ(Query3.FieldByName("ct").AsInteger(), 3);
    EXPECT_EQ(Query3.FieldByName("CT").AsString(), "3");
    Query3.Close();

    Query2.setSQL(
        "select programa,versao from scripts where programa='QUORIX_SENHA' and versao>'1'"
        " and liberado='S' order by versao");
    Query2.Open();
    std::vector<std::string> versions;
    std::vector<std::vector<std::string>> texts;
    while (!Query2.Eof()) {
        Table2.Open();
        texts.push_back(DBMemo1.Lines());
        Table2.Close();
        versions.push_back(Query2.FieldByName("versao").AsString());
        Query2.Next();
    }
    // Versions order as text: 10 before 9.
    EXPECT_EQ(versions, (std::vector<std::string>{"10", "9", "9a"}));
    // Past the last row the list still stands on it.
    EXPECT_TRUE(Query2.Eof());
    EXPECT_EQ(Query2.FieldByName("VERSAO").AsString(), "9a");
    EXPECT_EQ(Query2.FieldByName("programa").AsString(), "QUORIX_SENHA");
    Query2.Close();

    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], (std::vector<std::string>{"ALTER TABLE A ADD B INTEGER;", "COMMIT;"}));
    EXPECT_EQ(texts[1], (std::vector<std::string>{"UM;", "DOIS;", "", "QUATRO"}));
    EXPECT_EQ(texts[2],
              (std::vector<std::string>{"INSERT INTO T VALUES ('Conex\xE3o \x80\x81\x9C\xFF');",
                                        kLongLine, "FIM"}));
}

TEST_P(CatalogueTest, ReadsColumnsAsTextIntegerAndWideText) {
    setCatalogueFtpPasswords(admin(), "1vhqkd", "9\u00E9\u2007");
    Query3.setSQL("select senha_ftp, senha_ftp2, null as vazio, 42 as n from principal");
    Query3.Open();
    ASSERT_FALSE(Query3.Eof());
    EXPECT_EQ(Query3.FieldByName("senha_ftp").AsString(), "1vhqkd");
    EXPECT_EQ(Query3.FieldByName("SENHA_FTP2").AsUtf16(), u"9\u00E9\u2007");
    EXPECT_TRUE(Query3.FieldByName("vazio").IsNull());
    EXPECT_EQ(Query3.FieldByName("vazio").AsString(), "");
    EXPECT_EQ(Query3.FieldByName("vazio").AsInteger(), 0);
    EXPECT_EQ(Query3.FieldByName("n").AsInteger(), 42);
    EXPECT_THROW(Query3.FieldByName("senha_ftp").AsInteger(), DatabaseError);
    EXPECT_THROW(Query3.FieldByName("nada"), DatabaseError);
    Query3.Next();
    EXPECT_TRUE(Query3.Eof());

    // The SQL text is replaced whole before each opening.
    Query3.setSQL("select count(*) ct from principal where senha_ftp='nada'");
    Query3.Open();
    EXPECT_EQ(Query3.FieldByName("ct").AsInteger(), 0);
    Query3.setSQL("select senha_ftp from principal where senha_ftp='nada'");
    Query3.Open();
    EXPECT_TRUE(Query3.Eof());
    EXPECT_EQ(Query3.FieldByName("senha_ftp").AsString(), "");
}

TEST_P(CatalogueTest, OpensOnceClosesItsQueriesAndReportsErrors) {
    Database1.Open();
    const QString name = Database1.connectionName();
    Database1.Open();  // open already: nothing happens
    EXPECT_EQ(Database1.connectionName(), name);
    Query3.setSQL("select count(*) ct from scripts");
    Query3.Open();
    EXPECT_TRUE(Query3.Active());
    Database1.Close();
    EXPECT_FALSE(Database1.Connected());
    EXPECT_FALSE(Query3.Active());
    Query3.setSQL("select * from nao_existe");
    EXPECT_THROW(Query3.Open(), DatabaseError);
    EXPECT_FALSE(Query3.Active());
    // The program's catalogue account only reads.
    EXPECT_THROW(executeOnCatalogue(Database1, "DELETE FROM scripts"), DatabaseError);

    CatalogueDatabase unknown;
    unknown.AliasName = "NaoExiste";
    EXPECT_THROW(unknown.Open(), DatabaseError);
    EXPECT_FALSE(unknown.Connected());
}

INSTANTIATE_TEST_SUITE_P(Drivers, CatalogueTest, ::testing::Values("SQLITE", "MYSQL"),
                         [](const auto& info) { return std::string(info.param); });

// The program's connection to a catalogue on the test MariaDB.
class CatalogueMysqlConnection : public ::testing::Test {
protected:
    void SetUp() override {
        VELM_REQUIRE_TEST_MYSQL();
        catalogue.emplace(test::CatalogueFixture::Driver::mysql);
        test::useProgramConnection(Database1);
    }

    std::string connectionId() {
        Query3.setSQL("select connection_id() as id");
        Query3.Open();
        const std::string id = Query3.FieldByName("id").AsString();
        Query3.Close();
        return id;
    }

    std::optional<test::CatalogueFixture> catalogue;
    CatalogueDatabase Database1;
    CatalogueQuery Query3{Database1};
};

// The connection opens at the window's checks and is used again after the
// downloads; a server that closed it meanwhile gets a new one at once.
TEST_F(CatalogueMysqlConnection, ReopensOnceAConnectionTheServerClosed) {
    addCatalogueScript(catalogue->admin, {"QUORIX_SENHA", "1", "SELECT 1 FROM RDB$DATABASE;"});
    const std::string first = connectionId();
    test::onMysqlServer({"KILL " + first});
    Query3.setSQL("select count(*) ct from scripts");
    Query3.Open();
    EXPECT_EQ(Query3.FieldByName("ct").AsInteger(), 1);
    EXPECT_NE(connectionId(), first);
    // The next loss is mended the same way.
    test::onMysqlServer({"KILL " + connectionId()});
    EXPECT_NO_THROW(connectionId());
}

// A server that stops answering ends the query with an error instead of
// freezing the window; the time limit comes from the alias.
TEST_F(CatalogueMysqlConnection, ReadTimeLimitEndsAStalledQuery) {
    std::vector<std::string> slow = catalogue->checkAlias();
    slow.push_back("READ TIMEOUT=1");
    catalogue->addAlias("Lento", slow);
    Database1.AliasName = "Lento";
    Query3.setSQL("select sleep(6) as s");
    try {
        Query3.Open();
        FAIL() << "the query outlived the time limit";
    } catch (const DatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("Lost connection"), std::string::npos) << e.what();
    }
}

TEST(CatalogueMysql, RefusedLoginAndUnreachableServerRaise) {
    VELM_REQUIRE_SERVER_VARIABLES("VELM_TEST_MYSQL_HOST", "VELM_TEST_MYSQL_PORT");
    test::ensureQtApplication();
    test::TempFolder folder;
    const std::string aliases = folder / "aliases.ini";
    fileSystem().writeTextLines(
        aliases, {"[Check]", "DRIVER=MYSQL", "SERVER NAME=127.0.0.1",
                  "PORT=" + test::serverVariable("VELM_TEST_MYSQL_PORT"), "[Fechado]",
                  "DRIVER=MYSQL", "SERVER NAME=127.0.0.1", "PORT=1", "CONNECT TIMEOUT=2"});
    test::ScopedEnvironment env("VELMUPDATE_ALIASES", aliases);
    CatalogueDatabase db;
    db.AliasName = "Check";
    db.Params = {"USER NAME=velmtest", "PASSWORD=errada"};
    try {
        db.Open();
        FAIL() << "a wrong password was accepted";
    } catch (const DatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("Access denied"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(db.Connected());
    db.AliasName = "Fechado";
    EXPECT_THROW(db.Open(), DatabaseError);
    EXPECT_FALSE(db.Connected());
}

TEST(CatalogueSqlite, MissingFileDoesNotOpenNorAppear) {
    test::ensureQtApplication();
    test::TempFolder folder;
    const std::string aliases = folder / "aliases.ini";
    const std::string file = folder / "nao_existe.db";
    fileSystem().writeTextLines(aliases, {"[Check]", "DRIVER=SQLITE", "DATABASE NAME=" + file,
                                          "[Errado]", "DRIVER=ORACLE"});
    test::ScopedEnvironment env("VELMUPDATE_ALIASES", aliases);
    CatalogueDatabase db;
    db.AliasName = "Check";
    EXPECT_THROW(db.Open(), DatabaseError);
    EXPECT_FALSE(fileSystem().fileExists(file));
    db.AliasName = "Errado";
    EXPECT_THROW(db.Open(), DatabaseError);
}

}  // namespace
}  // namespace velm
