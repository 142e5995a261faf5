#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/RecordingRunLog.h"
#include "sync/LoggedRunFixture.h"
#include "upgrade/CatalogueFixture.h"
#include "upgrade/DatabaseConnections.h"
#include "upgrade/FbDatabase.h"
#include "upgrade/FbQuery.h"
#include "upgrade/FbTransaction.h"
#include "upgrade/UpgradeRun.h"
#include "upgrade/UpgradeRunView.h"
#include "windows/AliasLookup.h"

namespace velm {
namespace {

using Lines = std::vector<std::string>;
using ::testing::ElementsAreArray;

// The upgrade window as its run sees it: the ticked entries, resolved through
// the alias store; its Tag once a script failed.
class TickedDatabases : public UpgradeRunView {
public:
    Lines entries;
    int Tag = 0;

    Lines tickedDatabaseEntries() override { return entries; }
    std::string resolveEntry(const std::string& entry) override {
        return velm::resolveEntry(entry);
    }
    std::string ChaveProduto() const override { return key_; }
    void setChaveProduto(const std::string& key) override { key_ = key; }
    void showProgress(int) override {}
    void flagFailure() override { Tag = 1; }
    void showScriptErrorNotice(const std::string&) override {}

private:
    std::string key_;
};

// The update window whose upgrade window runs the real upgrade.
class UpgradingRunView : public test::RecordingRunView {
public:
    UpgradingRunView(DatabaseConnections& connections, TickedDatabases& databases)
        : connections_(connections), databases_(databases) {}
    int runUpgrade() override {
        ++upgrades;
        UpgradeRun(connections_, databases_).Run();
        return databases_.Tag;
    }

private:
    DatabaseConnections& connections_;
    TickedDatabases& databases_;
};

// A whole run, from the button to the closing message: the scripted FTP
// server, then the scripts of an SQLite catalogue on an embedded product
// database (real Firebird), one log.
class WholeRunLogTest : public test::LoggedRunFixture {
protected:
    WholeRunLogTest() {
        const std::string path = folder / "LOJA.GDB";
        FbDatabase::createDatabase(path, kProductUser, kProductPassword, 1);
        FbDatabase db;
        useProductLogin(db);
        db.setDatabaseName(path);
        db.Open();
        FbTransaction tr(&db);
        FbQuery q(db, tr);
        q.setSQL("CREATE TABLE EMPRESA (NOME VARCHAR(40))");
        q.ExecQuery();
        tr.Commit();
        catalogue.addAlias("LOJA", {"SERVER NAME=" + path});
        databases.entries = {"LOJA"};
        server.listing("-rw-r--r--   1 owner group  4 Dec  1 14:07 novo.exe\r\n");
        server.file("novo.exe", "novo");
    }
    ~WholeRunLogTest() override { connections.reset(); }

    void runWhole() { UpdateRun(client, upgrading, progress).AtualizaSistema(); }

    // The lines every run shares up to the upgrade.
    Lines upToTheUpgrade() const {
        return {
            startLine(),
            serverLine(),
            "login result=ok",
            "listing lines=1 entries=1 format=Unix",
            "entry state=new name=novo.exe",
            "download name=novo.exe size=4 received=4 server-time=2026-12-01T14:07:00 result=ok",
            "commit files=1 result=ok",
            "archive result=skipped downloaded=yes errors=no main-program=missing "
            "archive=missing",
            "upgrade start databases=1",
            "database entry=LOJA path=" + (folder / "LOJA.GDB"),
            "database version=0 pending=2",
            "script version=1 lines=1 result=started"};
    }

    test::CatalogueFixture catalogue{test::CatalogueFixture::Driver::sqlite};
    std::unique_ptr<DatabaseConnections> connections = std::make_unique<DatabaseConnections>();
    TickedDatabases databases;
    UpgradingRunView upgrading{*connections, databases};
    test::RecordingRunLog log;
};

// The same run with a second script that runs or fails: the lines after
// the first script's.
struct SecondScript {
    const char* name;
    const char* sql;
    Lines lines;
};

const SecondScript kSecondScripts[] = {
    {"Good", "INSERT INTO CLIENTE VALUES ('Ana');",
     {"script version=2 result=ok", "upgrade end",
      "run end message=\"Atualiza\xE7\xE3o finalizada com sucesso.\""}},
    {"FailedScript", "INSERT INTO CLIENTES VALUES ('Ana');",
     {"script version=2 result=failed saved=\"SCRIPT_ERRO_DT_10-12-2026_HR_12-00-00 "
      "M-LOJA.TXT\" error=\"Dynamic SQL Error | SQL error code = -204 | Table unknown | "
      "CLIENTES | At line 1, column 13\"",
      "upgrade end",
      "run end message=\"Atualiza\xE7\xE3o finalizada com erros, necess\xE1rio contactar "
      "Quorix Sistemas.\""}},
};

class WholeRunScriptsLogTest : public WholeRunLogTest,
                               public ::testing::WithParamInterface<SecondScript> {};

TEST_P(WholeRunScriptsLogTest, LogsEveryStage) {
    addCatalogueScript(catalogue.admin,
                       {"QUORIX_SENHA", "1", "CREATE TABLE CLIENTE (NOME VARCHAR(40));", "S"});
    addCatalogueScript(catalogue.admin, {"QUORIX_SENHA", "2", GetParam().sql, "S"});
    runWhole();
    Lines expected = upToTheUpgrade();
    expected.insert(expected.end(), {"script version=1 result=ok",
                                     "script version=2 lines=1 result=started"});
    expected.insert(expected.end(), GetParam().lines.begin(), GetParam().lines.end());
    EXPECT_THAT(log.lines, ElementsAreArray(stamped(expected)));
}

INSTANTIATE_TEST_SUITE_P(Runs, WholeRunScriptsLogTest, ::testing::ValuesIn(kSecondScripts),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velm
