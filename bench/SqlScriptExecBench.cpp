// Runs a generated 20,000-statement catalogue-like script (tables, triggers
// under SET TERM, inserts) on embedded Firebird with our script engine and
// with Firebird's own isql-fb -i, on copies of one freshly created database,
// in the same run, alternating which goes first. Prints the times and the
// ratio, and checks both databases ended up alike.
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
#include "upgrade/FbDatabase.h"
#include "upgrade/FbQuery.h"
#include "upgrade/FbTransaction.h"
#include "upgrade/SqlScript.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

void setLogin(velm::FbDatabase& db, const std::string& path) {
    velm::useProductLogin(db);
    db.setDatabaseName(path);
}

// The login for Firebird's own tools.
const std::string kToolLogin =
    std::string(" -user ") + velm::kProductUser + " -password " + velm::kProductPassword + " ";

double runOurs(const std::string& path, const std::vector<std::string>& lines) {
    const auto start = Clock::now();
    velm::FbDatabase db;
    setLogin(db, path);
    db.Open();
    velm::FbTransaction transaction(&db);
    velm::TSqlScript script(db, transaction);
    script.setScript(lines);
    script.ExecuteScript();
    if (transaction.Active()) transaction.Commit();
    db.Close();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double runIsql(const std::string& path, const std::string& scriptFile, const std::string& log) {
    const std::string command = "isql-fb -q -bail" + kToolLogin + "-i '" + scriptFile + "' '" +
                                path + "' >'" + log + "' 2>&1";
    const auto start = Clock::now();
    const int status = std::system(command.c_str());
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (status != 0) {
        std::fprintf(stderr, "isql-fb failed (status %d), see %s\n", status, log.c_str());
        std::exit(1);
    }
    return seconds;
}

// Rows in every table plus user triggers: what the script left behind.
std::string summary(const std::string& path, int tables) {
    velm::FbDatabase db;
    setLogin(db, path);
    db.Open();
    velm::FbTransaction transaction(&db);
    velm::FbQuery query(db, transaction);
    long long rows = 0;
    for (int t = 1; t <= tables; ++t) {
        query.setSQL("SELECT COUNT(*) AS N, SUM(VALOR) AS S FROM T" + std::to_string(t));
        query.ExecQuery();
        rows += query.FieldByName("N").AsInteger();
    }
    query.setSQL("SELECT COUNT(*) AS N FROM RDB$TRIGGERS WHERE RDB$SYSTEM_FLAG = 0");
    query.ExecQuery();
    const long long triggers = query.FieldByName("N").AsInteger();
    query.setSQL("SELECT COUNT(*) AS N FROM T1 WHERE NOME STARTING WITH 'CLIENTE'");
    query.ExecQuery();
    const long long upper = query.FieldByName("N").AsInteger();
    transaction.Commit();
    return std::to_string(rows) + " rows, " + std::to_string(triggers) + " triggers, " +
           std::to_string(upper) + " upper-cased in T1";
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int statements = argc > 1 ? std::atoi(argv[1]) : 20000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;  // [statements] [rounds] [async]
    std::random_device random;
    const fs::path folder =
        fs::temp_directory_path() / ("velm-exec-bench-" + std::to_string(random()));
    fs::create_directories(folder);

    const auto lines = velm::bench::generateScript(statements);
    const int tables = (statements + 99) / 100;
    const std::string scriptFile = (folder / "script.sql").string();
    {
        std::ofstream out(scriptFile, std::ios::binary);
        for (const auto& line : lines) out << line << "\r\n";
    }
    const std::string blank = (folder / "template.fdb").string();
    velm::FbDatabase::createDatabase(blank, velm::kProductUser, velm::kProductPassword, 1);
    // With forced writes every commit waits for the disk, the same for both
    // engines; "async" (pass it as the third argument) shows the engines'
    // own costs.
    const bool async = argc > 3 && std::string(argv[3]) == "async";
    // A fourth argument "ours" or "isql" runs one side only (for profiling).
    const std::string only = argc > 4 ? argv[4] : "";
    if (async) {
        const std::string gfix = "gfix -write async" + kToolLogin + "'" + blank + "'";
        if (std::system(gfix.c_str()) != 0) {
            std::fprintf(stderr, "gfix failed\n");
            return 1;
        }
    }

    std::printf(
        "script: %d statements, %zu lines, %zu bytes; %d rounds, embedded Firebird, "
        "forced writes %s\n",
        statements, lines.size(), velm::bench::scriptBytes(lines), rounds, async ? "off" : "on");
    // isql-fb's fixed cost: a process, the engine, a connection, nothing run.
    if (only.empty()) {
        const std::string emptyScript = (folder / "empty.sql").string();
        std::ofstream(emptyScript) << "\n";
        const std::string probe = (folder / "probe.fdb").string();
        fs::copy_file(blank, probe);
        const double fixed = runIsql(probe, emptyScript, (folder / "probe.log").string());
        std::printf("isql-fb start-up and connection alone: %.2f s\n", fixed);
        fs::remove(probe);
    }
    std::vector<double> ours, isql;
    std::string oursSummary, isqlSummary;
    for (int round = 0; round < rounds; ++round) {
        const std::string a = (folder / ("ours" + std::to_string(round) + ".fdb")).string();
        const std::string b = (folder / ("isql" + std::to_string(round) + ".fdb")).string();
        fs::copy_file(blank, a);
        fs::copy_file(blank, b);
        const std::string log = (folder / ("isql" + std::to_string(round) + ".log")).string();
        double o = 0, i = 0;
        if (only == "ours") {
            o = runOurs(a, lines);
        } else if (only == "isql") {
            i = runIsql(b, scriptFile, log);
        } else if (round % 2 == 0) {
            o = runOurs(a, lines);
            i = runIsql(b, scriptFile, log);
        } else {
            i = runIsql(b, scriptFile, log);
            o = runOurs(a, lines);
        }
        ours.push_back(o);
        isql.push_back(i);
        if (only != "isql") oursSummary = summary(a, tables);
        if (only != "ours") isqlSummary = summary(b, tables);
        std::printf("round %d: ours %.2f s, isql-fb %.2f s, ratio %.2f\n", round + 1, o, i, o / i);
        fs::remove(a);
        fs::remove(b);
    }
    std::printf("ours:    %s\nisql-fb: %s\n", oursSummary.c_str(), isqlSummary.c_str());
    const double mo = median(ours), mi = median(isql);
    std::printf(
        "median: ours %.2f s (%.0f statements/s), isql-fb %.2f s; time ratio ours/isql-fb %.2f\n",
        mo, statements / mo, mi, mo / mi);
    fs::remove_all(folder);
    return only.empty() && oursSummary != isqlSummary ? 2 : 0;
}
