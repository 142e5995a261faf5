#include <gtest/gtest.h>

#include "platform/FileSystem.h"
#include "support/TestServers.h"
#include "upgrade/FbError.h"
#include "upgrade/FbFixture.h"

namespace velm {
namespace {

using test::FbFixture;

TEST_F(FbFixture, OpensOnceAndClosesAgain) {
    EXPECT_TRUE(db.Connected());
    const unsigned id = db.connectionId();
    db.Open();  // already open: nothing happens
    EXPECT_EQ(db.connectionId(), id);
    db.Close();
    EXPECT_FALSE(db.Connected());
    db.Close();
    db.Open();
    EXPECT_TRUE(db.Connected());
}

TEST_F(FbFixture, ConnectionSpeaksDialectOne) {
    // Double quotes delimit strings in dialect 1 (identifiers in dialect 3).
    EXPECT_EQ(scalar("SELECT \"texto\" AS V FROM RDB$DATABASE"), "texto");
    EXPECT_EQ(scalar("SELECT MON$SQL_DIALECT AS V FROM MON$DATABASE"), "1");
}

TEST_F(FbFixture, MissingFileRaisesTheServersMessage) {
    FbDatabase other;
    test::setProductLogin(other);
    other.setDatabaseName(folder / "NAO_EXISTE.FDB");
    try {
        other.Open();
        FAIL() << "opened a missing database";
    } catch (const FbError& e) {
        const std::string text = e.what();
        EXPECT_EQ(e.sqlCode(), -902);
        EXPECT_NE(text.find("I/O error during \"open\" operation for file"), std::string::npos)
            << text;
        EXPECT_NE(text.find("\r\n"), std::string::npos) << text;
        EXPECT_NE(text.back(), '.');
    }
    EXPECT_FALSE(other.Connected());
}

TEST_F(FbFixture, ErrorsCarrySqlCodeAndInterpretedLines) {
    FbTransaction tr(&db);
    FbQuery q(db, tr);
    q.setSQL("SELECT * FROM NAO_EXISTE");
    try {
        q.ExecQuery();
        FAIL();
    } catch (const FbError& e) {
        EXPECT_EQ(e.sqlCode(), -204);
        EXPECT_EQ(e.engineCode(), isc_dsql_error);
        EXPECT_EQ(std::string(e.what()),
                  "Dynamic SQL Error\r\nSQL error code = -204\r\nTable unknown\r\nNAO_EXISTE\r\n"
                  "At line 1, column 15");
    }
}

TEST_F(FbFixture, TransactionsCommitAndRollBack) {
    exec("CREATE TABLE T (N INTEGER)");
    FbTransaction tr(&db);
    FbQuery q(db, tr);
    q.setSQL("INSERT INTO T VALUES (1)");
    q.ExecQuery();  // starts the transaction
    EXPECT_TRUE(tr.Active());
    EXPECT_THROW(tr.StartTransaction(), DatabaseError);
    EXPECT_EQ(count("T"), 0);
    tr.CommitRetaining();
    EXPECT_TRUE(tr.Active());
    EXPECT_EQ(count("T"), 1);
    q.setSQL("INSERT INTO T VALUES (2)");
    q.ExecQuery();
    tr.RollbackRetaining();
    EXPECT_TRUE(tr.Active());
    q.ExecQuery();
    tr.Commit();
    EXPECT_FALSE(tr.Active());
    EXPECT_EQ(count("T"), 2);
    q.setSQL("DELETE FROM T");
    q.ExecQuery();
    tr.Rollback();
    EXPECT_EQ(count("T"), 2);
    EXPECT_THROW(tr.Commit(), DatabaseError);
}

TEST_F(FbFixture, ClosingRollsBackWhatIsStillActive) {
    exec("CREATE TABLE T (N INTEGER)");
    FbTransaction tr(&db);
    FbQuery q(db, tr);
    q.setSQL("INSERT INTO T VALUES (1)");
    q.ExecQuery();
    db.Close();
    EXPECT_FALSE(tr.Active());
    db.Open();
    EXPECT_EQ(count("T"), 0);
    // The query's statement handle belonged to the old connection.
    q.ExecQuery();
    tr.Commit();
    EXPECT_EQ(count("T"), 1);
}

TEST_F(FbFixture, QueryReadsColumnsByNameAndStaysOnTheLastRow) {
    exec(
        "CREATE TABLE VERSAO (VERSAO VARCHAR(10), N INTEGER, P NUMERIC(9,2), C CHAR(3), "
        "B BLOB SUB_TYPE 1, D DATE)");
    exec(
        "INSERT INTO VERSAO VALUES ('9a', 7, -12.5, 'x', 'linha1' || ASCII_CHAR(13) || "
        "ASCII_CHAR(10) || 'linha2', '2024-03-05 14:07:09')");
    exec("INSERT INTO VERSAO (VERSAO) VALUES ('10')");
    FbTransaction tr(&db);
    FbQuery q(db, tr);
    q.setSQL(
        "select versao, n, p, c, b, d, count(*) ct from versao group by 1,2,3,4,5,6 order by n");
    q.ExecQuery();
    ASSERT_FALSE(q.Eof());
    EXPECT_TRUE(q.Open());
    // First row: the NULLs sort first.
    EXPECT_EQ(q.FieldByName("versao").AsString(), "10");
    EXPECT_TRUE(q.FieldByName("N").IsNull());
    EXPECT_EQ(q.FieldByName("N").AsString(), "");
    EXPECT_EQ(q.FieldByName("N").AsInteger(), 0);
    EXPECT_EQ(q.FieldByName("CT").AsInteger(), 1);
    q.Next();
    ASSERT_FALSE(q.Eof());
    EXPECT_EQ(q.FieldByName("VERSAO").AsString(), "9a");
    EXPECT_EQ(q.FieldByName("n").AsInteger(), 7);
    EXPECT_EQ(q.FieldByName("P").AsString(), "-12.50");
    EXPECT_EQ(q.FieldByName("C").AsString(), "x  ");
    EXPECT_EQ(q.FieldByName("B").AsString(), "linha1\r\nlinha2");
    EXPECT_EQ(q.FieldByName("D").AsString(), "2024-03-05 14:07:09");
    EXPECT_THROW(q.FieldByName("VERSAO").AsInteger(), DatabaseError);
    EXPECT_THROW(q.FieldByName("NADA"), DatabaseError);
    q.Next();
    EXPECT_TRUE(q.Eof());
    EXPECT_EQ(q.FieldByName("VERSAO").AsString(), "9a");  // past the end: still the last row
    q.Close();
    EXPECT_FALSE(q.Open());
    tr.Commit();
}

TEST_F(FbFixture, EmptyResultReadsAsNullAndRollbackClosesTheQuery) {
    exec("CREATE TABLE VERSAO (VERSAO VARCHAR(10))");
    FbTransaction tr(&db);
    FbQuery q(db, tr);
    q.setSQL("select versao from versao");
    q.ExecQuery();
    EXPECT_TRUE(q.Eof());
    EXPECT_EQ(q.FieldByName("versao").AsString(), "");
    EXPECT_TRUE(q.Open());
    tr.Rollback();
    EXPECT_FALSE(q.Open());
    q.Close();  // closing a query its transaction closed already is fine
}

TEST_F(FbFixture, StatementsWithATrailingSemicolonRun) {
    // The upgrade run sends its VERSAO statements this way.
    exec("CREATE TABLE VERSAO (VERSAO VARCHAR(10));");
    exec("insert into versao (versao) values ('0');");
    exec("update versao set versao='5';");
    EXPECT_EQ(scalar("SELECT VERSAO AS V FROM VERSAO"), "5");
}

TEST_F(FbFixture, AnsiBytesPassUnchanged) {
    exec("CREATE TABLE T (S VARCHAR(20))");
    exec("INSERT INTO T VALUES ('Conex\xE3o \x80\x9C')");
    EXPECT_EQ(scalar("SELECT S AS V FROM T"), "Conex\xE3o \x80\x9C");
}

// The same connection to a Firebird server over the network, as the shops
// reach theirs.
TEST(FbServer, ConnectsRunsAndRefusesAWrongPassword) {
    VELM_REQUIRE_SERVER_VARIABLES("VELM_TEST_FIREBIRD_HOST", "VELM_TEST_FIREBIRD_DIR");
    test::ServerDatabase server("conn");
    const std::string& name = server.name;

    FbDatabase db;
    test::setProductLogin(db);
    db.setDatabaseName(name);
    db.Open();
    {
        FbTransaction tr(&db);
        FbQuery q(db, tr);
        q.setSQL(
            "SELECT MON$REMOTE_PROTOCOL AS P, CURRENT_USER AS U FROM MON$ATTACHMENTS "
            "WHERE MON$ATTACHMENT_ID = CURRENT_CONNECTION");
        q.ExecQuery();
        EXPECT_EQ(q.FieldByName("P").AsString().substr(0, 4), "TCPv");
        EXPECT_EQ(q.FieldByName("U").AsString(), "ROOT");
        tr.Commit();
    }
    db.Close();

    FbDatabase wrong;
    wrong.Params = {"user_name=ROOT", "password=errada", "sql_dialect=1"};
    wrong.setDatabaseName(name);
    try {
        wrong.Open();
        FAIL() << "a wrong password was accepted";
    } catch (const FbError& e) {
        EXPECT_NE(std::string(e.what()).find("password"), std::string::npos) << e.what();
    }
}

}  // namespace
}  // namespace velm
