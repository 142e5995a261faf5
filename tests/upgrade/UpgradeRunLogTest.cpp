#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>

#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Locale.h"
#include "platform/Process.h"
#include "support/RecordingRunLog.h"
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

// The windows as the run sees them: the ticked entries, resolved through the
// alias store of the catalogue fixture; the rest answers and forgets.
class EntriesView : public UpgradeRunView {
public:
    explicit EntriesView(Lines entries) : entries_(std::move(entries)) {}
    Lines tickedDatabaseEntries() override { return entries_; }
    std::string resolveEntry(const std::string& entry) override {
        return velm::resolveEntry(entry);
    }
    std::string ChaveProduto() const override { return key_; }
    void setChaveProduto(const std::string& key) override { key_ = key; }
    void showProgress(int) override {}
    void flagFailure() override {}
    void showScriptErrorNotice(const std::string&) override {}

private:
    Lines entries_;
    std::string key_;
};

// Upgrade runs over embedded product databases (real Firebird) and an
// SQLite catalogue, at a fixed time, with the run log recorded.
class UpgradeRunLogTest : public ::testing::Test {
protected:
    void TearDown() override {
        connections.reset();  // the connections go before the catalogue they reach
        catalogue.reset();
    }

    // A product database (EMPRESA and LOG), or any other database.
    std::string database(const std::string& name, bool product = true) {
        const std::string path = work / name;
        FbDatabase::createDatabase(path, kProductUser, kProductPassword, 1);
        FbDatabase db;
        useProductLogin(db);
        db.setDatabaseName(path);
        db.Open();
        for (const char* sql :
             {"CREATE TABLE EMPRESA (NOME VARCHAR(40))", "CREATE TABLE LOG (V VARCHAR(20))"}) {
            if (!product) break;
            FbTransaction tr(&db);
            FbQuery q(db, tr);
            q.setSQL(sql);
            q.ExecQuery();
            tr.Commit();
        }
        return path;
    }
    void addScript(const std::string& versao, const std::string& texto) {
        addCatalogueScript(catalogue->admin, {"QUORIX_SENHA", versao, texto, "S"});
    }
    void run(const Lines& entries) {
        EntriesView view(entries);
        UpgradeRun(*connections, view).Run();
    }
    static Lines stamped(const Lines& texts) {
        Lines lines;
        for (const std::string& text : texts) lines.push_back("2024-03-05 14:07:09.000 " + text);
        return lines;
    }

    test::TempFolder work{test::TempFolder::Enter::Yes};
    std::optional<test::CatalogueFixture> catalogue{test::CatalogueFixture::Driver::sqlite};
    std::unique_ptr<DatabaseConnections> connections = std::make_unique<DatabaseConnections>();
    RecordingDialogs dialogs;
    ScopedService<Dialogs> installDialogs{dialogs};
    FixedClock fixedClock{encodeDateTime({2024, 3, 5, 14, 7, 9, 0})};
    ScopedService<Clock> installClock{fixedClock};
    FixedLocale brazil;
    ScopedService<Locale> installLocale{brazil};
    RecordingProcess process;
    ScopedService<Process> installProcess{process};
    test::RecordingRunLog log;
};

TEST_F(UpgradeRunLogTest, AGoodRunUpToADatabaseThatIsNoProduct) {
    const std::string loja = database("LOJA.GDB");
    catalogue->addAlias("LOJA", {"SERVER NAME=" + loja});
    const std::string other = database("OUTRA.GDB", false);
    addScript("1", "INSERT INTO LOG VALUES ('1');");
    addScript("2", "INSERT INTO LOG VALUES ('2');\nINSERT INTO LOG VALUES ('2b');");

    run({"LOJA", other, "NUNCA"});
    run({"LOJA"});

    EXPECT_THAT(log.lines,
                ElementsAreArray(stamped({
                    "upgrade start databases=3",
                    "database entry=LOJA path=" + loja,
                    "database version=0 pending=2",
                    "script version=1 lines=1 result=started",
                    "script version=1 result=ok",
                    "script version=2 lines=2 result=started",
                    "script version=2 result=ok",
                    "database entry=" + other + " path=" + other,
                    "database result=not-a-product-database reason=no-EMPRESA.NOME run=ends",
                    "upgrade end",
                    // The next showing finds nothing pending.
                    "upgrade start databases=1",
                    "database entry=LOJA path=" + loja,
                    "database version=2 pending=0",
                    "upgrade end",
                })));
}

TEST_F(UpgradeRunLogTest, AFailedScriptNamesItsSavedFile) {
    const std::string first = database("PRIMEIRA.GDB");
    const std::string second = database("SEGUNDA.GDB");
    catalogue->addAlias("PRIMEIRA", {"SERVER NAME=" + first});
    catalogue->addAlias("SEGUNDA", {"SERVER NAME=" + second});
    addScript("1", "INSERT INTO LOG VALUES ('1');");
    addScript("2", "INSERT INTO LOG VALUES ('2');\nINSERT INTO NAO_EXISTE VALUES (1);");
    addScript("3", "INSERT INTO LOG VALUES ('3');");

    run({"PRIMEIRA", "SEGUNDA"});

    const std::string error =
        "error=\"Dynamic SQL Error | SQL error code = -204 | Table unknown | NAO_EXISTE | At line "
        "1, column 13\"";
    Lines expected = {"upgrade start databases=2"};
    for (const char* entry : {"PRIMEIRA", "SEGUNDA"}) {
        const std::string saved =
            std::string("saved=\"SCRIPT_ERRO_DT_05-03-2024_HR_14-07-09 M-") + entry + ".TXT\" ";
        const Lines one = {
            std::string("database entry=") + entry +
                " path=" + (work / (entry + std::string(".GDB"))),
            "database version=0 pending=3",
            "script version=1 lines=1 result=started",
            "script version=1 result=ok",
            "script version=2 lines=2 result=started",
            "script version=2 result=failed " + saved + error,
        };
        expected.insert(expected.end(), one.begin(), one.end());
    }
    expected.push_back("upgrade end");
    EXPECT_THAT(log.lines, ElementsAreArray(stamped(expected)));
}

TEST_F(UpgradeRunLogTest, AnErrorOutsideTheScriptsStopsTheRun) {
    const std::string missing = work / "FALTA.GDB";
    run({missing});
    ASSERT_EQ(log.lines.size(), 4u);
    EXPECT_EQ(log.lines[1], stamped({"database entry=" + missing + " path=" + missing})[0]);
    EXPECT_THAT(log.lines[2],
                ::testing::StartsWith("2024-03-05 14:07:09.000 upgrade stopped error="));
    EXPECT_THAT(log.lines[2], ::testing::HasSubstr("FALTA.GDB"));
    EXPECT_EQ(log.lines[3], stamped({"upgrade end"})[0]);
}

}  // namespace
}  // namespace velm
