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
// commit together and a script that committed never runs again. Its schema
// statements, though, commit one by one as they run (AutoDDL): an updater
// that dies in the middle of a script leaves the schema changes made so
// far, without the script's data or version. The next run offers that
// script again; the first of its schema statements that cannot run twice
// then fails ("already exists") and the script is saved as a failed one,
// for somebody to finish; its data had not committed, so nothing of it is
// applied twice.
//
// A failing script (an execution error, a parse error, a COMMIT WORK line
// that cannot be blanked, a failed commit) is saved to a SCRIPT_ERRO file in
// the working folder, its version is still recorded, the window's Tag
// becomes 1, the notice names the file, and the next database follows. The
// file is saved after the commit, and says so when the commit failed and
// undid what the script left pending. A file that cannot be saved is told
// in the standard error box instead of the notice. Before the run's first
// script the working folder must take a new file; where it does not, no
// script runs and the run ends as on the errors below. A database without
// EMPRESA.NOME ends the whole run quietly. Any other error (the product
// connection, the catalogue, VERSAO) shows the standard error box, rolls
// back and closes the product connection, sets Tag to 1 and ends the run.
// The caller closes the window afterwards.
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
    void captureFailure(const std::string& message, const std::string& workingText);

    std::int64_t countOf(const char* sql);
    void executeAndCommit(const char* sql);

    DatabaseConnections& c_;
    UpgradeRunView& view_;
    bool folderTakesFailureFile_ = false;  // checked before the run's first script
};

}  // namespace velm
