#include "upgrade/UpgradeRun.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <optional>

#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/Locale.h"
#include "platform/Process.h"
#include "support/DelegatingFileSystem.h"
#include "support/FileBytes.h"
#include "support/RecordedEffects.h"
#include "upgrade/CatalogueFixture.h"
#include "upgrade/DatabaseConnections.h"
#include "upgrade/FbDatabase.h"
#include "upgrade/FbFixture.h"
#include "upgrade/FbQuery.h"
#include "upgrade/FbTransaction.h"
#include "upgrade/ReadOnlyFolder.h"
#include "upgrade/ScriptFailureFile.h"
#include "upgrade/UpgradeRunView.h"
#include "windows/AliasLookup.h"

namespace velm {
namespace {

using Lines = std::vector<std::string>;

// The windows as the run sees them, recorded.
class RecordingUpgradeView : public UpgradeRunView {
public:
    std::vector<std::string> tickedDatabaseEntries() override { return entries; }
    std::string resolveEntry(const std::string& entry) override {
        return velm::resolveEntry(entry);
    }
    std::string ChaveProduto() const override { return key; }
    void setChaveProduto(const std::string& k) override {
        key = k;
        keys.push_back(k);
    }
    void showProgress(int position) override {
        progress.push_back(position);
        if (onProgress) onProgress(position);
    }
    void flagFailure() override { Tag = 1; }
    void showScriptErrorNotice(const std::string& fileName) override {
        notices.push_back(fileName);
    }

    std::vector<std::string> entries;
    std::string key;
    Lines keys;
    std::vector<int> progress;
    int Tag = 0;
    Lines notices;
    std::function<void(int)> onProgress;
};

// A dialect-1 product database file, reached through the embedded engine.
// Every look at it goes through a connection of its own, on committed data.
class ProductDatabase {
public:
    enum class Create { No, Yes };
    // With `product`, the marker table EMPRESA and a LOG the scripts write
    // to (N: rows before, V: what the script wrote).
    ProductDatabase(std::string path, bool product = true, Create create = Create::Yes)
        : path(std::move(path)) {
        if (create == Create::Yes)
            FbDatabase::createDatabase(this->path, kProductUser, kProductPassword, 1);
        if (product)
            exec({"CREATE TABLE EMPRESA (NOME VARCHAR(40))",
                  "CREATE TABLE LOG (N INTEGER, V VARCHAR(20))"});
    }

    // Each statement on its own transaction, committed.
    void exec(const Lines& statements) const {
        FbDatabase db;
        test::openProductDatabase(db, path);
        test::execCommitted(db, statements);
    }

    // Column V of every row.
    Lines column(const std::string& sql) const {
        FbDatabase db;
        test::openProductDatabase(db, path);
        return test::columnV(db, sql);
    }
    Lines log() const { return column("SELECT V FROM LOG ORDER BY N"); }
    Lines versao() const { return column("SELECT VERSAO AS V FROM VERSAO"); }
    bool hasVersao() const {
        return column("SELECT COUNT(*) AS V FROM RDB$RELATIONS WHERE RDB$RELATION_NAME='VERSAO'") ==
               Lines{"1"};
    }

    std::string path;
};

// A script that leaves its mark in LOG.
std::string logs(const std::string& mark) {
    return "INSERT INTO LOG SELECT COUNT(*), '" + mark + "' FROM LOG;";
}

// The upgrade run over embedded product databases in the working folder,
// with the catalogue on SQLite or on the MariaDB of the test run, at a fixed
// time and with the Brazilian formats.
class UpgradeRunTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        if (isMysql()) VELM_REQUIRE_TEST_MYSQL();
        catalogue.emplace(test::CatalogueFixture::driverNamed(GetParam()));
    }
    void TearDown() override {
        connections.reset();  // the connections go before the catalogue they reach
        catalogue.reset();
    }
    std::optional<test::CatalogueFixture> catalogue;
    bool isMysql() const { return std::string(GetParam()) == "MYSQL"; }

    void addScript(const std::string& versao, const std::string& texto,
                   const std::string& liberado = "S",
                   const std::string& programa = "QUORIX_SENHA") {
        addCatalogueScript(catalogue->admin, {programa, versao, texto, liberado});
    }

    ProductDatabase& product(const std::string& name, bool isProduct = true) {
        products.push_back(std::make_unique<ProductDatabase>(work / name, isProduct));
        return *products.back();
    }

    void run(const Lines& entries) {
        view.entries = entries;
        UpgradeRun(*connections, view).Run();
    }

    // The saved failed-script files in the working folder.
    Lines savedFiles() { return fileSystem().findFiles("SCRIPT_ERRO*.*"); }

    void expectCleanEnd() {
        EXPECT_FALSE(connections->FbDatabase1.Connected());
        EXPECT_FALSE(connections->Query2.Active());
        EXPECT_EQ(view.key, "");
    }

    test::TempFolder work{test::TempFolder::Enter::Yes};
    std::vector<std::unique_ptr<ProductDatabase>> products;
    std::unique_ptr<DatabaseConnections> connections = std::make_unique<DatabaseConnections>();
    RecordingUpgradeView view;
    test::RecordedEffects effects;
    RecordingDialogs& dialogs = effects.dialogs;
    RecordingProcess& process = effects.process;
    FixedClock fixedClock{encodeDateTime({2024, 3, 5, 14, 7, 9, 0})};
    ScopedService<Clock> installClock{fixedClock};
    FixedLocale brazil;
    ScopedService<Locale> installLocale{brazil};
};

TEST_P(UpgradeRunTest, MissingVersaoIsCreatedAndEveryReleasedScriptRunsInTextOrder) {
    ProductDatabase& db = product("LOJA.GDB");
    addScript("2", logs("2"));
    addScript("10", logs("10"));
    addScript("1", logs("1"));
    addScript("0", logs("0"));                             // not above '0'
    addScript("3", logs("3"), "N");                        // not released
    addScript("5", logs("outro"), "S", "OUTRO_PROGRAMA");  // another product
    run({db.path});

    EXPECT_EQ(db.log(), (Lines{"1", "10", "2"}));
    EXPECT_EQ(db.versao(), Lines{"2"});
    EXPECT_EQ(view.progress, (std::vector<int>{33, 67, 100, 100}));
    EXPECT_EQ(view.keys, (Lines{"QUORIX_SENHA", ""}));
    EXPECT_EQ(view.Tag, 0);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_TRUE(view.notices.empty());
    EXPECT_TRUE(savedFiles().empty());
    expectCleanEnd();

    // A second showing finds nothing pending and writes nothing.
    view.progress.clear();
    run({db.path});
    EXPECT_EQ(db.log(), (Lines{"1", "10", "2"}));
    EXPECT_EQ(view.progress, std::vector<int>{100});
}

TEST_P(UpgradeRunTest, VersaoWithoutRowsGetsItsSeedRowFirst) {
    // An interruption between the table's creation and its seed leaves it empty.
    ProductDatabase& db = product("LOJA.GDB");
    db.exec({"CREATE TABLE VERSAO (VERSAO VARCHAR(10))"});
    addScript("1", logs("1"));
    addScript("2", logs("2"));
    run({db.path});
    EXPECT_EQ(db.log(), (Lines{"1", "2"}));
    EXPECT_EQ(db.versao(), Lines{"2"});
    run({db.path});
    EXPECT_EQ(db.log(), (Lines{"1", "2"}));  // recorded, so not run again
}

TEST_P(UpgradeRunTest, SeveralVersaoRowsTheFirstCountsAndAllAreSet) {
    ProductDatabase& db = product("LOJA.GDB");
    db.exec({"CREATE TABLE VERSAO (VERSAO VARCHAR(10))", "INSERT INTO VERSAO (VERSAO) VALUES ('5')",
             "INSERT INTO VERSAO (VERSAO) VALUES ('1')"});
    addScript("3", logs("3"));
    addScript("6", logs("6"));
    addScript("7", logs("7"));
    run({db.path});
    EXPECT_EQ(db.log(), (Lines{"6", "7"}));
    EXPECT_EQ(db.versao(), (Lines{"7", "7"}));
}

TEST_P(UpgradeRunTest, VersionsCompareAsText) {
    ProductDatabase& db = product("LOJA.GDB");
    db.exec({"CREATE TABLE VERSAO (VERSAO VARCHAR(10))", "INSERT INTO VERSAO VALUES ('9')"});
    addScript("10", logs("10"));
    addScript("9a", logs("9a"));
    run({db.path});
    EXPECT_EQ(db.log(), Lines{"9a"});
    EXPECT_EQ(db.versao(), Lines{"9a"});
}

TEST_P(UpgradeRunTest, NothingPendingFillsTheBarAndLeavesVersaoUntouched) {
    ProductDatabase& db = product("LOJA.GDB");
    db.exec({"CREATE TABLE VERSAO (VERSAO VARCHAR(10))", "INSERT INTO VERSAO VALUES ('9')",
             "CREATE TRIGGER VERSAO_ESCRITA FOR VERSAO BEFORE UPDATE AS BEGIN "
             "INSERT INTO LOG SELECT COUNT(*), 'update' FROM LOG; END"});
    addScript("1", logs("1"));
    run({db.path});
    EXPECT_EQ(view.progress, std::vector<int>{100});
    EXPECT_EQ(db.versao(), Lines{"9"});
    EXPECT_TRUE(db.log().empty());  // no update statement reached VERSAO
    expectCleanEnd();
}

TEST_P(UpgradeRunTest, QuotesInVersionsStayInsideTheirValues) {
    // A recorded version that, pasted in as it stands, would select every
    // released script of every product.
    ProductDatabase& hostile = product("HOSTIL.GDB");
    hostile.exec({"CREATE TABLE VERSAO (VERSAO VARCHAR(10))",
                  "INSERT INTO VERSAO VALUES ('z''or''1''=''1')"});
    ProductDatabase& quoted = product("ASPAS.GDB");
    quoted.exec({"CREATE TABLE VERSAO (VERSAO VARCHAR(10))", "INSERT INTO VERSAO VALUES ('1''5')"});
    addScript("1'4", logs("1-4"));
    addScript("2'b", logs("2-b"));
    addScript("5", logs("outro"), "S", "OUTRO_PROGRAMA");
    run({hostile.path, quoted.path});

    EXPECT_TRUE(hostile.log().empty());
    EXPECT_EQ(hostile.versao(), Lines{"z'or'1'='1"});
    EXPECT_EQ(quoted.log(), Lines{"2-b"});
    EXPECT_EQ(quoted.versao(), Lines{"2'b"});
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(view.Tag, 0);
}

TEST_P(UpgradeRunTest, SecondOfThreeFailingStopsThatDatabaseOnly) {
    ProductDatabase& first = product("PRIMEIRA.GDB");
    ProductDatabase& second = product("SEGUNDA.GDB");
    addScript("1", logs("1"));
    addScript("2", logs("2a") + "\nINSERT INTO NAO_EXISTE VALUES (1);\n" + logs("2b"));
    addScript("3", logs("3"));
    run({first.path, second.path});

    for (const ProductDatabase* db : {&first, &second}) {
        SCOPED_TRACE(db->path);
        // The first committed; of the second what ran before its failure
        // commits with its version; the third never ran.
        EXPECT_EQ(db->log(), (Lines{"1", "2a"}));
        EXPECT_EQ(db->versao(), Lines{"2"});
    }
    EXPECT_EQ(view.Tag, 1);
    EXPECT_EQ(view.progress, (std::vector<int>{33, 67, 100, 33, 67, 100}));
    // Each failure saved under a name made from its path entry, in the
    // working folder, shown in the notice, then a one-second wait.
    const std::string stamp = "SCRIPT_ERRO_DT_05-03-2024_HR_14-07-09 M-";
    auto safe = [](std::string path) {
        for (char& c : path)
            if (c == '/') c = '_';
        return path;
    };
    const Lines expected = {stamp + safe(first.path) + ".TXT", stamp + safe(second.path) + ".TXT"};
    EXPECT_EQ(view.notices, expected);
    for (const std::string& name : expected) EXPECT_TRUE(fileSystem().fileExists(name)) << name;
    EXPECT_EQ(savedFiles().size(), 2u);
    EXPECT_EQ(process.sleeps, (std::vector<int>{1000, 1000}));
    EXPECT_TRUE(dialogs.shown.empty());
    expectCleanEnd();
}

TEST_P(UpgradeRunTest, DatabaseOnAServerIsUpgradedAndItsFailureSavedUnderASafeName) {
    VELM_REQUIRE_SERVER_VARIABLES("VELM_TEST_FIREBIRD_HOST", "VELM_TEST_FIREBIRD_DIR");
    // Its name holds ".GDB", so the entry is a path rather than an alias.
    const test::ServerDatabase server("LOJA.GDB");
    const ProductDatabase db(server.name, true, ProductDatabase::Create::No);
    addScript("1", logs("1"));
    addScript("2", "INSERT INTO NAO_EXISTE VALUES (1);");
    run({server.name});
    EXPECT_EQ(db.log(), Lines{"1"});
    EXPECT_EQ(db.versao(), Lines{"2"});
    std::string safeEntry = server.name;
    for (char& c : safeEntry)
        if (c == ':' || c == '/') c = '_';
    const Lines expected = {"SCRIPT_ERRO_DT_05-03-2024_HR_14-07-09 M-" + safeEntry + ".TXT"};
    EXPECT_EQ(view.notices, expected);
    EXPECT_EQ(savedFiles(), expected);  // in the working folder, where the gate looks
    expectCleanEnd();
}

TEST_P(UpgradeRunTest, SavedFileHoldsTheServerErrorAboveTheScriptAsRun) {
    ProductDatabase& db = product("LOJA.GDB");
    catalogue->addAlias("LOJA", {"SERVER NAME=" + db.path});
    addScript("1", "/* carga */\n" + logs("a") + "\ncommit work;\n  COMMIT WORK ;\n" +
                       "INSERT INTO NAO_EXISTE VALUES (1);\n" + logs("b") + "\n");
    run({"LOJA"});

    const std::string name = "SCRIPT_ERRO_DT_05-03-2024_HR_14-07-09 M-LOJA.TXT";
    EXPECT_EQ(view.notices, Lines{name});
    EXPECT_EQ(test::readFileBytes(name),
              "/* ERRO: \r\n"
              " \r\n"
              "Dynamic SQL Error\r\n"
              "SQL error code = -204\r\n"
              "Table unknown\r\n"
              "NAO_EXISTE\r\n"
              "At line 1, column 13\r\n"
              " \r\n"
              ".....  */\r\n"
              " \r\n"
              "/* carga */\r\n" +
                  logs("a") +
                  "\r\n"
                  " \r\n"
                  " \r\n"
                  "INSERT INTO NAO_EXISTE VALUES (1);\r\n" +
                  logs("b") + "\r\n");
    EXPECT_EQ(db.log(), Lines{"a"});
    EXPECT_EQ(view.Tag, 1);
}

TEST_P(UpgradeRunTest, ParseErrorIsAFailedScript) {
    ProductDatabase& db = product("LOJA.GDB");
    addScript("1", logs("1") + "\nRECREATE TABLE X (A INTEGER);\n" + logs("depois"));
    addScript("2", logs("2"));
    run({db.path});
    EXPECT_EQ(view.Tag, 1);
    ASSERT_EQ(view.notices.size(), 1u);
    const Lines saved = fileSystem().readTextLines(view.notices[0]);
    ASSERT_GE(saved.size(), 3u);
    EXPECT_EQ(saved[2], "Invalid statement (linha 2)");
    EXPECT_EQ(db.log(), Lines{"1"});
    EXPECT_EQ(db.versao(), Lines{"1"});
}

TEST_P(UpgradeRunTest, CommitWorkBesideOtherSqlFailsBeforeAnythingRuns) {
    ProductDatabase& insertDb = product("INSERT.GDB");
    ProductDatabase& deleteDb = product("DELETE.GDB");
    ProductDatabase& wholeDb = product("INTEIRO.GDB");
    for (const ProductDatabase* db : {&insertDb, &deleteDb, &wholeDb})
        db->exec({"CREATE TABLE KEEP (ID INTEGER)", "INSERT INTO KEEP VALUES (5)",
                  "INSERT INTO KEEP VALUES (6)"});
    // Each database gets its own script through its own recorded version.
    insertDb.exec({"CREATE TABLE VERSAO (VERSAO VARCHAR(10))", "INSERT INTO VERSAO VALUES ('a')"});
    deleteDb.exec({"CREATE TABLE VERSAO (VERSAO VARCHAR(10))", "INSERT INTO VERSAO VALUES ('b')"});
    wholeDb.exec({"CREATE TABLE VERSAO (VERSAO VARCHAR(10))", "INSERT INTO VERSAO VALUES ('c')"});
    addScript("b", logs("1") + " COMMIT WORK;");
    addScript("c", "DELETE FROM KEEP\nWHERE ID=5; COMMIT WORK;");
    addScript("d",
              logs("1") + "\nCOMMIT WORK;\n-- COMMIT WORK;\n" + logs("2") + "\n/* COMMIT WORK */");
    run({insertDb.path, deleteDb.path, wholeDb.path});

    EXPECT_TRUE(insertDb.log().empty());  // nothing of the script ran
    EXPECT_EQ(deleteDb.column("SELECT ID AS V FROM KEEP ORDER BY ID"), (Lines{"5", "6"}));
    EXPECT_EQ(wholeDb.log(), (Lines{"1", "2"}));  // the whole line blanked, the rest committed
    EXPECT_EQ(wholeDb.versao(), Lines{"d"});
    ASSERT_EQ(view.notices.size(), 2u);  // insertDb failed on b, deleteDb on c
    const Lines insertFile = fileSystem().readTextLines(view.notices[0]);
    EXPECT_EQ(insertFile[2], "COMMIT WORK junto de outro texto na mesma linha (linha 1)");
    EXPECT_EQ(insertFile.back(), logs("1") + " COMMIT WORK;");  // kept for whoever reads it
    const Lines deleteFile = fileSystem().readTextLines(view.notices[1]);
    EXPECT_EQ(deleteFile[2], "COMMIT WORK junto de outro texto na mesma linha (linha 2)");
    EXPECT_EQ(view.Tag, 1);
}

TEST_P(UpgradeRunTest, CommitWorkInsideALiteralOrABodyFailsBeforeAnythingRuns) {
    ProductDatabase& literalDb = product("TEXTO.GDB");
    ProductDatabase& bodyDb = product("CORPO.GDB");
    literalDb.exec({"CREATE TABLE NOTA (T VARCHAR(100))"});
    bodyDb.exec({"CREATE TABLE VERSAO (VERSAO VARCHAR(10))", "INSERT INTO VERSAO VALUES ('1')"});
    addScript("1", "INSERT INTO NOTA VALUES ('linha 1\nCOMMIT WORK;\nlinha 3');");
    addScript("2", "SET TERM ^ ;\nCREATE PROCEDURE GRAVA AS BEGIN\n  INSERT INTO LOG VALUES (1, "
                   "'p');\nCOMMIT WORK;\nEND^\nSET TERM ; ^");
    run({literalDb.path, bodyDb.path});

    EXPECT_TRUE(literalDb.column("SELECT T AS V FROM NOTA").empty()) << "no text stored changed";
    EXPECT_EQ(bodyDb.column("SELECT COUNT(*) AS V FROM RDB$PROCEDURES WHERE "
                            "RDB$PROCEDURE_NAME='GRAVA'"),
              Lines{"0"});
    ASSERT_EQ(view.notices.size(), 2u);
    EXPECT_EQ(fileSystem().readTextLines(view.notices[0])[2],
              "COMMIT WORK dentro de um comando, texto ou bloco (linha 2)");
    EXPECT_EQ(fileSystem().readTextLines(view.notices[1])[2],
              "COMMIT WORK dentro de um comando, texto ou bloco (linha 4)");
    EXPECT_EQ(view.Tag, 1);
}

// A commit-time rule of the database: a commit fails while FALHA holds a row.
void refuseCommitsWhileFalhaHasRows(const ProductDatabase& db) {
    db.exec({"CREATE TABLE FALHA (A INTEGER)", "CREATE EXCEPTION RECUSADO 'commit recusado'",
             "CREATE TRIGGER RECUSA ON TRANSACTION COMMIT AS BEGIN "
             "IF (EXISTS (SELECT * FROM FALHA)) THEN EXCEPTION RECUSADO; END"});
}

TEST_P(UpgradeRunTest, FailedCommitIsAFailedScript) {
    ProductDatabase& db = product("LOJA.GDB");
    refuseCommitsWhileFalhaHasRows(db);  // refuses what the first script wrote
    addScript("1", logs("1") + "\nINSERT INTO FALHA VALUES (1);");
    addScript("2", logs("2"));
    run({db.path});

    EXPECT_EQ(view.Tag, 1);
    ASSERT_EQ(view.notices.size(), 1u);
    const Lines saved = fileSystem().readTextLines(view.notices[0]);
    ASSERT_GE(saved.size(), 4u);
    // The commit is the error, and the file says what it left.
    EXPECT_EQ(Lines(saved.begin() + 2, saved.begin() + 4), kCommitFailedLines);
    EXPECT_NE(std::find(saved.begin(), saved.end(), "commit recusado"), saved.end());
    EXPECT_TRUE(db.log().empty());       // the data did not commit
    EXPECT_EQ(db.versao(), Lines{"1"});  // the failed script is not offered again
    EXPECT_TRUE(db.column("SELECT A AS V FROM FALHA").empty());
}

TEST_P(UpgradeRunTest, FailedCommitAfterAFailedScriptIsSaidBelowItsError) {
    ProductDatabase& db = product("LOJA.GDB");
    refuseCommitsWhileFalhaHasRows(db);
    addScript("1",
              logs("1") + "\nINSERT INTO FALHA VALUES (1);\nINSERT INTO NAO_EXISTE VALUES (1);");
    run({db.path});

    ASSERT_EQ(view.notices.size(), 1u);
    Lines expected = {
        "/* ERRO: ",     " ",          "Dynamic SQL Error",    "SQL error code = -204",
        "Table unknown", "NAO_EXISTE", "At line 1, column 13", " "};
    expected.insert(expected.end(), kCommitFailedLines.begin(), kCommitFailedLines.end());
    expected.insert(expected.end(),
                    {"exception 1", "RECUSADO", "commit recusado",
                     "At trigger 'RECUSA' line: 1, col: 93", " ", ".....  */", " ", logs("1"),
                     "INSERT INTO FALHA VALUES (1);", "INSERT INTO NAO_EXISTE VALUES (1);"});
    EXPECT_EQ(fileSystem().readTextLines(view.notices[0]), expected);
    // As the file says: what ran before the failure did not stay.
    EXPECT_TRUE(db.log().empty());
    EXPECT_TRUE(db.column("SELECT A AS V FROM FALHA").empty());
    EXPECT_EQ(db.versao(), Lines{"1"});
    EXPECT_EQ(view.Tag, 1);
}

// The version cannot be recorded either (the connection lost in the commit,
// here a commit-time rule that refuses every change of VERSAO): the saved
// file still stops the next start, the box gives the database's error, and
// the run goes no further.
TEST_P(UpgradeRunTest, VersionThatCannotBeRecordedAfterAFailedScriptEndsTheRun) {
    ProductDatabase& db = product("LOJA.GDB");
    ProductDatabase& next = product("SEGUNDA.GDB");
    db.exec({"CREATE TABLE VERSAO (VERSAO VARCHAR(10))", "INSERT INTO VERSAO VALUES ('0')",
             "CREATE EXCEPTION RECUSADO 'versao recusada'",
             "CREATE TRIGGER MARCA FOR VERSAO AFTER UPDATE AS BEGIN "
             "RDB$SET_CONTEXT('USER_TRANSACTION', 'VERSAO', '1'); END",
             "CREATE TRIGGER RECUSA ON TRANSACTION COMMIT AS BEGIN "
             "IF (RDB$GET_CONTEXT('USER_TRANSACTION', 'VERSAO') = '1') THEN EXCEPTION RECUSADO; "
             "END"});
    addScript("1", logs("1") + "\nINSERT INTO NAO_EXISTE VALUES (1);");
    run({db.path, next.path});

    EXPECT_EQ(db.versao(), Lines{"0"});
    EXPECT_TRUE(db.log().empty()) << "nothing of the script committed";
    ASSERT_EQ(view.notices.size(), 1u);
    EXPECT_EQ(savedFiles(), view.notices) << "the file stops the next start";
    const Lines saved = fileSystem().readTextLines(view.notices[0]);
    EXPECT_NE(std::find(saved.begin(), saved.end(), kCommitFailedLines[0]), saved.end());
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, RecordingDialogs::Kind::Error);
    EXPECT_NE(dialogs.shown[0].text.find("versao recusada"), std::string::npos)
        << dialogs.shown[0].text;
    EXPECT_EQ(view.Tag, 1);
    EXPECT_TRUE(next.log().empty()) << "the run ended at the first database";
    expectCleanEnd();
}

// Fills up at the first write: a file gets its first 40 bytes, then the
// write fails as on a full disk.
class FullDisk : public test::DelegatingFileSystem {
public:
    std::unique_ptr<OutputFile> createFile(const std::string& name) override {
        class Filling : public OutputFile {
        public:
            Filling(std::unique_ptr<OutputFile> file, std::string name)
                : file_(std::move(file)), name_(std::move(name)) {}
            void write(const char* data, std::size_t size) override {
                file_->write(data, std::min<std::size_t>(size, 40));
                if (size > 40)
                    throw FileError("Cannot write file \"" + name_ +
                                    "\". There is not enough space on the disk.");
            }
            void close() override { file_->close(); }

        private:
            std::unique_ptr<OutputFile> file_;
            std::string name_;
        };
        return std::make_unique<Filling>(DelegatingFileSystem::createFile(name), name);
    }
};

// Refuses to create the failed script's file, as a folder does that lost
// its write permission after the run checked it.
class NoScriptFile : public test::DelegatingFileSystem {
public:
    std::unique_ptr<OutputFile> createFile(const std::string& name) override {
        if (name.starts_with("SCRIPT_ERRO"))
            throw FileError("Cannot create file \"" + name + "\". Access is denied.", 5);
        return DelegatingFileSystem::createFile(name);
    }
};

TEST_P(UpgradeRunTest, UnsavedScriptIsToldInTheErrorBoxAndItsVersionStillRecorded) {
    ProductDatabase& first = product("PRIMEIRA.GDB");
    ProductDatabase& second = product("SEGUNDA.GDB");
    addScript("1", logs("1"));
    addScript("2", logs("2a") + "\nINSERT INTO NAO_EXISTE VALUES (1);");
    addScript("3", logs("3"));
    NoScriptFile noScriptFile;
    {
        ScopedService<FileSystem> refuseTheFile{noScriptFile};
        run({first.path, second.path});
    }
    // Nothing in the folder can stop the next start: the operator hears it
    // now, once for each database.
    EXPECT_TRUE(savedFiles().empty());
    EXPECT_TRUE(view.notices.empty());
    ASSERT_EQ(dialogs.shown.size(), 2u);
    for (const RecordingDialogs::Shown& shown : dialogs.shown) {
        EXPECT_EQ(shown.kind, RecordingDialogs::Kind::Error);
        for (const char* part : {"o script que falhou n\xE3o p\xF4"
                                 "de ser salvo",
                                 "SCRIPT_ERRO_DT_05-03-2024_HR_14-07-09 M-", "Access is denied",
                                 "Avise a Quorix Sistemas", "Table unknown\r\nNAO_EXISTE"})
            EXPECT_NE(shown.text.find(part), std::string::npos) << part << " in " << shown.text;
    }
    EXPECT_EQ(view.Tag, 1);  // so the run ends "necessario contactar"
    for (const ProductDatabase* db : {&first, &second}) {
        SCOPED_TRACE(db->path);
        EXPECT_EQ(db->log(), (Lines{"1", "2a"}));  // as for any failed script
        EXPECT_EQ(db->versao(), Lines{"2"});
    }
    EXPECT_EQ(process.sleeps, (std::vector<int>{1000, 1000}));
    expectCleanEnd();
}

// Without the failed script's file nothing would stop the next start from
// running later scripts over a half-applied one: no script runs at all.
TEST_P(UpgradeRunTest, AFolderThatTakesNoNewFileRunsNoScript) {
    ProductDatabase& first = product("PRIMEIRA.GDB");
    ProductDatabase& second = product("SEGUNDA.GDB");
    addScript("1", logs("1"));
    addScript("2", "INSERT INTO NAO_EXISTE VALUES (1);");
    {
        const test::ReadOnlyFolder readOnly(work.name());
        ASSERT_TRUE(readOnly.holds());
        run({first.path, second.path});
    }
    EXPECT_TRUE(first.log().empty());
    EXPECT_EQ(first.versao(), Lines{"0"});
    EXPECT_TRUE(second.log().empty()) << "the run ended at the first database";
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, RecordingDialogs::Kind::Error);
    EXPECT_EQ(dialogs.shown[0].text,
              "A pasta " + work.name() +
                  " n\xE3o aceita arquivos novos: Access is denied.\r\n\r\nNenhum script foi "
                  "executado: sem essa grava\xE7\xE3o, um script que falhasse n\xE3o ficaria "
                  "registrado. Libere a grava\xE7\xE3o na pasta e avise a Quorix Sistemas.");
    EXPECT_EQ(view.Tag, 1);  // the run ends "necessario contactar"
    EXPECT_TRUE(savedFiles().empty());
    for (const auto& entry : std::filesystem::directory_iterator(work.path()))
        EXPECT_FALSE(entry.path().filename().string().starts_with("~vs")) << "a probe left behind";
    expectCleanEnd();
}

TEST_P(UpgradeRunTest, FileCutShortByAFullDiskStaysAndStopsTheNextStart) {
    ProductDatabase& db = product("LOJA.GDB");
    addScript("1", "INSERT INTO NAO_EXISTE VALUES (1);");
    FullDisk fullDisk;
    ScopedService<FileSystem> installFullDisk{fullDisk};
    run({db.path});

    const std::string name = "SCRIPT_ERRO_DT_05-03-2024_HR_14-07-09 M-" + [&] {
        std::string safe = db.path;
        for (char& c : safe)
            if (c == '/') c = '_';
        return safe;
    }() + ".TXT";
    EXPECT_EQ(savedFiles(), Lines{name});
    EXPECT_EQ(test::readFileBytes(name), "/* ERRO: \r\n \r\nDynamic SQL Error\r\nSQL err");
    EXPECT_TRUE(view.notices.empty());
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_NE(dialogs.shown[0].text.find("not enough space"), std::string::npos);
    EXPECT_EQ(db.versao(), Lines{"1"});
    EXPECT_EQ(view.Tag, 1);
}

TEST_P(UpgradeRunTest, EveryScriptStartsWithTheEngineAtItsDefaults) {
    ProductDatabase& db = product("LOJA.GDB");
    // Leaves "^" as the terminator.
    addScript("1",
              "SET TERM ^ ;\n" + std::string("INSERT INTO LOG SELECT COUNT(*), '1' FROM LOG^"));
    // Leaves AutoDDL off and the connection in dialect 3.
    addScript("2", "SET AUTODDL OFF;\n" + logs("2") + "\nSET SQL DIALECT 3;");
    // Needs ";", AutoDDL and dialect 1 (a double-quoted string).
    addScript("3",
              "CREATE TABLE NOVA (A INTEGER);\nINSERT INTO NOVA VALUES (1);\n"
              "INSERT INTO LOG SELECT COUNT(*), \"3\" FROM LOG;");
    run({db.path});
    EXPECT_TRUE(view.notices.empty());
    EXPECT_EQ(view.Tag, 0);
    EXPECT_EQ(db.log(), (Lines{"1", "2", "3"}));
    EXPECT_EQ(db.column("SELECT A AS V FROM NOVA"), Lines{"1"});
    EXPECT_EQ(db.versao(), Lines{"3"});
    EXPECT_EQ(connections->FbDatabase1.SQLDialect(), 1);
}

TEST_P(UpgradeRunTest, EachScriptCommitsWithItsVersionSoAnInterruptedRunResumes) {
    ProductDatabase& db = product("LOJA.GDB");
    addScript("1", logs("1"));
    addScript("2", logs("2"));
    addScript("3", logs("3"));
    // The updater dies right after the first script (killed, power cut).
    struct Killed {};
    view.onProgress = [](int) { throw Killed{}; };
    EXPECT_THROW(run({db.path}), Killed);
    connections = std::make_unique<DatabaseConnections>();  // a new process
    EXPECT_EQ(db.log(), Lines{"1"});
    EXPECT_EQ(db.versao(), Lines{"1"});

    view.onProgress = nullptr;
    run({db.path});
    EXPECT_EQ(db.log(), (Lines{"1", "2", "3"}));  // no committed script ran twice
    EXPECT_EQ(db.versao(), Lines{"3"});
}

// Starts the stand-in updater on the database entry; it inherits the alias
// store of the test's catalogue.
pid_t startUpdaterProcess(const std::string& entry) {
    const std::string program = VELM_UPGRADE_CHILD;
    std::vector<char*> argv = {const_cast<char*>(program.c_str()), const_cast<char*>(entry.c_str()),
                               nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return 0;
    return pid;
}

TEST_P(UpgradeRunTest, ScriptStoppedAfterItsSchemaChangeIsSavedOnTheRerun) {
    VELM_REQUIRE_SERVER_VARIABLES("VELM_TEST_FIREBIRD_HOST", "VELM_TEST_FIREBIRD_DIR");
    // On the server, so that the updater's process and the test reach it together.
    const test::ServerDatabase server("LOJA.GDB");
    const ProductDatabase db(server.name, true, ProductDatabase::Create::No);
    db.exec({"CREATE TABLE PEDIDO (ID INTEGER NOT NULL PRIMARY KEY)"});
    addScript("1", "CREATE TABLE NOVA (A INTEGER);\nINSERT INTO PEDIDO VALUES (1);");
    const auto novaTables = [&] {
        return db.column("SELECT COUNT(*) AS V FROM RDB$RELATIONS WHERE RDB$RELATION_NAME='NOVA'");
    };

    // A pending row of another connection with the insert's key holds the
    // insert back, so the updater is killed after the schema change
    // committed and before the insert did.
    FbDatabase other;
    useProductLogin(other);
    other.setDatabaseName(server.name);
    other.Open();
    FbTransaction pending(&other);
    FbQuery hold(other, pending);
    hold.setSQL("INSERT INTO PEDIDO VALUES (1)");
    hold.ExecQuery();

    const pid_t updater = startUpdaterProcess(server.name);
    ASSERT_NE(updater, 0);
    int status = 0;
    bool endedByItself = false;
    for (int i = 0; i < 2400 && novaTables() != Lines{"1"}; ++i) {
        if ((endedByItself = waitpid(updater, &status, WNOHANG) == updater)) break;
        usleep(50000);
    }
    if (!endedByItself) {
        kill(updater, SIGKILL);
        waitpid(updater, &status, 0);
    }
    pending.Rollback();
    other.Close();
    ASSERT_FALSE(endedByItself) << "the updater ended by itself, status " << status;
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(novaTables(), Lines{"1"});  // committed as it ran
    EXPECT_EQ(db.column("SELECT COUNT(*) AS V FROM PEDIDO"), Lines{"0"});
    EXPECT_EQ(db.versao(), Lines{"0"});  // the script did not commit

    // The rerun offers the script again: it fails loudly on its schema change.
    run({server.name});
    EXPECT_EQ(view.Tag, 1);
    ASSERT_EQ(view.notices.size(), 1u);
    EXPECT_EQ(savedFiles(), view.notices);
    const Lines saved = fileSystem().readTextLines(view.notices[0]);
    EXPECT_NE(std::find(saved.begin(), saved.end(), "Table NOVA already exists"), saved.end())
        << ::testing::PrintToString(saved);
    EXPECT_EQ(novaTables(), Lines{"1"});
    EXPECT_EQ(db.column("SELECT COUNT(*) AS V FROM PEDIDO"), Lines{"0"});  // nothing applied twice
    EXPECT_EQ(db.versao(), Lines{"1"});
}

TEST_P(UpgradeRunTest, DatabaseWithoutEmpresaNomeEndsTheRunQuietly) {
    ProductDatabase& other = product("OUTRO.GDB", false);
    ProductDatabase& db = product("LOJA.GDB");
    addScript("1", logs("1"));
    run({other.path, db.path});
    EXPECT_FALSE(other.hasVersao());
    EXPECT_FALSE(db.hasVersao());  // never reached
    EXPECT_TRUE(view.progress.empty());
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(view.Tag, 0);
    expectCleanEnd();
}

TEST_P(UpgradeRunTest, EntryIsCutAtOneHundredCharactersAndTrimmed) {
    ProductDatabase& db = product("LOJA.GDB");
    ASSERT_LT(db.path.size(), 90u);
    addScript("1", logs("1"));
    run({db.path + std::string(100 - db.path.size(), ' ') + "resto ignorado"});
    EXPECT_EQ(db.log(), Lines{"1"});
    EXPECT_EQ(connections->FbDatabase1.DatabaseName(), db.path);
}

TEST_P(UpgradeRunTest, ErrorOutsideAScriptEndsTheRunWithTheErrorBox) {
    ProductDatabase& db = product("LOJA.GDB");
    addScript("1", logs("1"));
    run({work / "SUMIU.GDB", db.path});
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, RecordingDialogs::Kind::Error);
    EXPECT_NE(dialogs.shown[0].text.find("SUMIU.GDB"), std::string::npos) << dialogs.shown[0].text;
    EXPECT_EQ(view.Tag, 1);
    EXPECT_FALSE(db.hasVersao());  // the run ended there
    expectCleanEnd();
}

TEST_P(UpgradeRunTest, VersaoErrorRollsBackAndClosesTheProductConnection) {
    ProductDatabase& db = product("LOJA.GDB");
    // A VERSAO whose version cannot be read.
    db.exec({"CREATE TABLE VERSAO (X VARCHAR(10), VERSAO COMPUTED BY (CAST(X AS INTEGER)))",
             "INSERT INTO VERSAO (X) VALUES ('abc')"});
    addScript("1", logs("1"));
    run({db.path, product("OUTRA.GDB").path});
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, RecordingDialogs::Kind::Error);
    EXPECT_NE(dialogs.shown[0].text.find("conversion error"), std::string::npos)
        << dialogs.shown[0].text;
    EXPECT_EQ(view.Tag, 1);
    EXPECT_FALSE(connections->FbTransaction2.Active());
    EXPECT_TRUE(db.log().empty());
    EXPECT_FALSE(products.back()->hasVersao());  // the run ended there
    expectCleanEnd();
}

INSTANTIATE_TEST_SUITE_P(Drivers, UpgradeRunTest, ::testing::Values("SQLITE", "MYSQL"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
}  // namespace velm
