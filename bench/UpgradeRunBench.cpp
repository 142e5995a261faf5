// The upgrade run as the program does it (UpgradeRun over the catalogue's
// pending scripts, on an SQLite catalogue) against `isql-fb -i` applying the
// same scripts in one session, a COMMIT after each (as a person would run
// them), and, as a second row, against one isql-fb process per script; on
// copies of one product database, alternating which goes first; forced
// writes off, then on.
//
//   upgrade_run_bench [scripts] [rounds] [statements per script]
//   upgrade_run_bench --write-scripts FOLDER [scripts] [statements per script]
//
// The second form only writes the generated scripts, FOLDER/script0001.sql
// and on, for bench/gui_update_bench.sh to time the real program's upgrade
// window on them.
//
// Each generated script makes a table, fills it, adds a trigger under SET
// TERM and commits. Prints each round, the medians and the ratio, and checks
// that both databases ended alike.
#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "SqlScriptGenerator.h"
#include "platform/FileSystem.h"
#include "upgrade/CatalogueDatabase.h"
#include "upgrade/CatalogueSetup.h"
#include "upgrade/DatabaseConnections.h"
#include "upgrade/FbDatabase.h"
#include "upgrade/FbQuery.h"
#include "upgrade/FbTransaction.h"
#include "upgrade/UpgradeRun.h"
#include "upgrade/UpgradeRunView.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

const std::string kToolLogin =
    std::string(" -user ") + velm::kProductUser + " -password " + velm::kProductPassword + " ";

// The windows reduced to what the run needs: one ticked database file.
class QuietUpgradeView : public velm::UpgradeRunView {
public:
    explicit QuietUpgradeView(std::string database) : database_(std::move(database)) {}
    std::vector<std::string> tickedDatabaseEntries() override { return {database_}; }
    std::string resolveEntry(const std::string& entry) override { return entry; }
    std::string ChaveProduto() const override { return key_; }
    void setChaveProduto(const std::string& key) override { key_ = key; }
    void showProgress(int) override {}
    void flagFailure() override { failed = true; }
    void showScriptErrorNotice(const std::string& fileName) override {
        std::fprintf(stderr, "script failed, saved as %s\n", fileName.c_str());
    }
    bool failed = false;

private:
    std::string database_;
    std::string key_ = "QUORIX_SENHA";
};

std::string versionOf(int n) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d", n);  // text order is number order
    return text;
}

// The product database as the updater expects one: dialect 1, EMPRESA with a row.
void createProduct(const std::string& path) {
    velm::FbDatabase::createDatabase(path, velm::kProductUser, velm::kProductPassword, 1);
    velm::FbDatabase db;
    velm::useProductLogin(db);
    db.setDatabaseName(path);
    db.Open();
    velm::FbTransaction transaction(&db);
    velm::FbQuery query(db, transaction);
    query.setSQL("CREATE TABLE EMPRESA (NOME VARCHAR(60))");
    query.ExecQuery();
    transaction.Commit();
    query.setSQL("INSERT INTO EMPRESA (NOME) VALUES ('Loja')");
    query.ExecQuery();
    transaction.Commit();
    db.Close();
}

double runOurs(const std::string& path) {
    QuietUpgradeView view(path);
    const auto start = Clock::now();
    {
        velm::DatabaseConnections connections;
        connections.setCatalogueLogin();
        velm::UpgradeRun(connections, view).Run();
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (view.failed) std::fprintf(stderr, "the upgrade run reported a failure\n");
    return seconds;
}

double runIsql(const std::string& path, const std::vector<std::string>& scriptFiles,
               const std::string& log) {
    const auto start = Clock::now();
    for (const std::string& file : scriptFiles) {
        const std::string command = "isql-fb -q -bail" + kToolLogin + "-i '" + file + "' '" + path +
                                    "' >>'" + log + "' 2>&1";
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "isql-fb failed on %s, see %s\n", file.c_str(), log.c_str());
            std::exit(1);
        }
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// One isql-fb session: INPUT of each script in turn, each followed by a COMMIT.
double runIsqlSession(const std::string& path, const std::vector<std::string>& scriptFiles,
                      const std::string& folder, const std::string& log) {
    const std::string session = folder + "/sessao.sql";
    {
        std::ofstream out(session, std::ios::binary);
        for (const std::string& file : scriptFiles) out << "INPUT '" << file << "';\nCOMMIT;\n";
    }
    const auto start = Clock::now();
    const std::string command = "isql-fb -q -bail" + kToolLogin + "-i '" + session + "' '" + path +
                                "' >>'" + log + "' 2>&1";
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "isql-fb failed on the session, see %s\n", log.c_str());
        std::exit(1);
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Rows in every generated table and user triggers: what the scripts left.
std::string summary(const std::string& path, int tables) {
    velm::FbDatabase db;
    velm::useProductLogin(db);
    db.setDatabaseName(path);
    db.Open();
    velm::FbTransaction transaction(&db);
    velm::FbQuery query(db, transaction);
    long long rows = 0;
    for (int t = 1; t <= tables; ++t) {
        query.setSQL("SELECT COUNT(*) AS N FROM T" + std::to_string(t));
        query.ExecQuery();
        rows += query.FieldByName("N").AsInteger();
    }
    query.setSQL("SELECT COUNT(*) AS N FROM RDB$TRIGGERS WHERE RDB$SYSTEM_FLAG = 0");
    query.ExecQuery();
    const long long triggers = query.FieldByName("N").AsInteger();
    transaction.Commit();
    return std::to_string(rows) + " rows, " + std::to_string(triggers) + " triggers";
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The generated scripts, as the catalogue holds them (CR LF lines).
std::vector<std::string> scriptTexts(int scripts, int statements) {
    std::vector<std::string> texts;
    int tables = 0;
    for (int s = 0; s < scripts; ++s) {
        const auto lines = velm::bench::generateScript(statements, tables);
        tables += (statements + 99) / 100;
        std::string text;
        for (const auto& line : lines) text += line + "\r\n";
        texts.push_back(std::move(text));
    }
    return texts;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::string(argv[1]) == "--write-scripts") {
        const fs::path folder = argv[2];
        const int scripts = argc > 3 ? std::atoi(argv[3]) : 200;
        const int statements = argc > 4 ? std::atoi(argv[4]) : 100;
        fs::create_directories(folder);
        int n = 0;
        for (const std::string& text : scriptTexts(scripts, statements))
            std::ofstream(folder / ("script" + versionOf(++n) + ".sql"), std::ios::binary) << text;
        return 0;
    }
    QCoreApplication app(argc, argv);
    const int scripts = argc > 1 ? std::atoi(argv[1]) : 200;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    const int statements = argc > 3 ? std::atoi(argv[3]) : 100;
    std::random_device random;
    const fs::path folder =
        fs::temp_directory_path() / ("velm-upgrade-bench-" + std::to_string(random()));
    fs::create_directories(folder);

    // The catalogue and the same scripts as files for isql-fb.
    const std::string catalogue = (folder / "catalogo.db").string();
    const std::string aliases = (folder / "aliases.ini").string();
    velm::fileSystem().writeTextLines(catalogue, {});
    velm::fileSystem().writeTextLines(
        aliases, {"[Check]", "DRIVER=SQLITE", "DATABASE NAME=" + catalogue, "[Setup]",
                  "DRIVER=SQLITE", "DATABASE NAME=" + catalogue, "OPEN MODE=READ/WRITE"});
    qputenv("VELMUPDATE_ALIASES", QByteArray::fromStdString(aliases));
    std::vector<std::string> scriptFiles;
    std::size_t bytes = 0;
    const int tables = scripts * ((statements + 99) / 100);
    {
        velm::CatalogueDatabase setup;
        setup.AliasName = "Setup";
        velm::createCatalogueTables(setup);
        const std::vector<std::string> texts = scriptTexts(scripts, statements);
        for (int s = 0; s < scripts; ++s) {
            const std::string& text = texts[static_cast<std::size_t>(s)];
            bytes += text.size();
            velm::addCatalogueScript(setup, {"QUORIX_SENHA", versionOf(s + 1), text, "S"});
            scriptFiles.push_back((folder / ("script" + versionOf(s + 1) + ".sql")).string());
            std::ofstream(scriptFiles.back(), std::ios::binary) << text;
        }
    }
    std::printf("%d scripts of %d statements (%zu bytes in all), %d rounds, embedded Firebird\n",
                scripts, statements, bytes, rounds);

    int status = 0;
    for (const bool forcedWrites : {false, true}) {
        const std::string blank =
            (folder / (forcedWrites ? "blank-sync.fdb" : "blank-async.fdb")).string();
        createProduct(blank);
        const std::string gfix = std::string("gfix -write ") + (forcedWrites ? "sync" : "async") +
                                 kToolLogin + "'" + blank + "'";
        if (std::system(gfix.c_str()) != 0) {
            std::fprintf(stderr, "gfix failed\n");
            return 1;
        }
        std::vector<double> ours, session, perScript;
        std::string oursSummary, sessionSummary, perScriptSummary;
        for (int round = 0; round < rounds; ++round) {
            const std::string r = std::to_string(round);
            const std::string a = (folder / ("ours" + r + ".fdb")).string();
            const std::string b = (folder / ("sessao" + r + ".fdb")).string();
            const std::string c = (folder / ("isql" + r + ".fdb")).string();
            for (const std::string& copy : {a, b, c}) fs::copy_file(blank, copy);
            const std::string log = (folder / ("isql" + r + ".log")).string();
            // The three sides take turns at going first.
            double o = 0, s = 0, p = 0;
            for (int turn = 0; turn < 3; ++turn) {
                switch ((turn + round) % 3) {
                    case 0: o = runOurs(a); break;
                    case 1: s = runIsqlSession(b, scriptFiles, folder.string(), log); break;
                    case 2: p = runIsql(c, scriptFiles, log); break;
                }
            }
            ours.push_back(o);
            session.push_back(s);
            perScript.push_back(p);
            oursSummary = summary(a, tables);
            sessionSummary = summary(b, tables);
            perScriptSummary = summary(c, tables);
            std::printf(
                "forced writes %s, round %d: upgrade run %.2f s, isql-fb one session %.2f s "
                "(ratio %.2f), isql-fb per script %.2f s (ratio %.2f)\n",
                forcedWrites ? "on" : "off", round + 1, o, s, o / s, p, o / p);
            std::fflush(stdout);
            for (const std::string& copy : {a, b, c}) fs::remove(copy);
        }
        std::printf("upgrade run:             %s\nisql-fb one session:     %s\n"
                    "isql-fb one per script:  %s\n",
                    oursSummary.c_str(), sessionSummary.c_str(), perScriptSummary.c_str());
        std::printf("forced writes %s, median: upgrade run %.2f s, isql-fb one session %.2f s "
                    "(ratio %.2f), isql-fb per script %.2f s (ratio %.2f)\n",
                    forcedWrites ? "on" : "off", median(ours), median(session),
                    median(ours) / median(session), median(perScript),
                    median(ours) / median(perScript));
        if (oursSummary != sessionSummary || oursSummary != perScriptSummary) status = 2;
    }
    fs::remove_all(folder);
    return status;
}
