#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace velm {

class DatabaseConnections;
class UpgradeRunView;

// The upgrade run: brings every ticked product database up to the newest
// released script of the catalogue. For each database it makes sure VERSAO
// exists and holds a row, reads the recorded version, asks the catalogue
// for the released scripts of the product above it and runs them in version
// order. Each script's version is written on the script's own transaction
// just before the commit that follows it, so its data and its version
// commit together: an updater that dies in the middle leaves VERSAO at the
// last script that committed.
//
// A failing script (an execution error, a parse error, a line mixing COMMIT
// WORK with other text, a failed commit) is saved to a SCRIPT_ERRO file in
// the working folder, its version is still recorded, the window's Tag
// becomes 1, the notice names the file, and the next database follows. A
// database without EMPRESA.NOME ends the whole run quietly. Any other error
// (the product connection, the catalogue, VERSAO) shows the standard error
// box, rolls back and closes the product connection, sets Tag to 1 and ends
// the run. The caller closes the window afterwards.
class UpgradeRun {
public:
    UpgradeRun(DatabaseConnections& connections, UpgradeRunView& view);
    void Run();

private:
    // False when the database is not a product database: the run ends.
    bool upgradeDatabase(const std::string& workingText);
    bool isProductDatabase();
    void ensureVersionTable();
    std::string readRecordedVersion();
    void runPendingScripts(const std::string& workingText, const std::string& recordedVersion);
    // True when the script failed.
    bool runScript(const std::string& workingText, const std::string& version);
    void recordVersionAndCommit(const std::string& version);
    void captureFailure(const std::exception& error, const std::string& workingText);

    std::int64_t countOf(const char* sql);
    void executeAndCommit(const char* sql);

    DatabaseConnections& c_;
    UpgradeRunView& view_;
};

}  // namespace velm
