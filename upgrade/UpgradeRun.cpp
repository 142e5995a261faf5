#include "upgrade/UpgradeRun.h"

#include <exception>
#include <optional>
#include <vector>

#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/Locale.h"
#include "platform/Process.h"
#include "upgrade/DatabaseConnections.h"
#include "upgrade/ExecutaScript.h"
#include "upgrade/ScriptFailureFile.h"
#include "upgrade/UpgradeProgress.h"
#include "upgrade/UpgradeRunLog.h"
#include "upgrade/UpgradeRunView.h"
#include "upgrade/UpgradeSql.h"
#include "upgrade/WorkingList.h"

namespace velm {

UpgradeRun::UpgradeRun(DatabaseConnections& connections, UpgradeRunView& view)
    : c_(connections), view_(view) {}

void UpgradeRun::Run() {
    try {
        const std::vector<std::string> workingList = makeWorkingList(view_.tickedDatabaseEntries());
        logUpgradeStart(workingList.size());
        for (const std::string& workingText : workingList)
            if (!upgradeDatabase(workingText)) break;
    } catch (const std::exception& error) {
        logUpgradeStopped(error.what());
        // Nothing on the window lets the operator close it: report, clean
        // up and let the caller close it, with the run counted as failed.
        dialogs().error(standardErrorText(error.what()));
        c_.abandonProductWork();
        view_.flagFailure();
    }
    view_.setChaveProduto("");
    logUpgradeEnd();
}

bool UpgradeRun::upgradeDatabase(const std::string& workingText) {
    c_.FbDatabase1.setDatabaseName(view_.resolveEntry(workingListEntry(workingText)));
    logDatabase(workingListEntry(workingText), c_.FbDatabase1.DatabaseName());
    if (const std::string key = productKeyFor(workingText); !key.empty())
        view_.setChaveProduto(key);
    c_.useProductDialect();
    c_.FbDatabase1.Open();
    if (!isProductDatabase()) {
        logNotProductDatabase();
        c_.FbQuery1.Close();
        c_.FbTransaction2.Rollback();
        c_.FbDatabase1.Close();
        return false;
    }
    ensureVersionTable();
    runPendingScripts(workingText, readRecordedVersion());
    c_.FbDatabase1.Close();
    return true;
}

std::int64_t UpgradeRun::countOf(const char* sql) {
    c_.FbQuery1.setSQL(sql);
    c_.FbQuery1.ExecQuery();
    return c_.FbQuery1.FieldByName("CT").AsInteger();
}

void UpgradeRun::executeAndCommit(const char* sql) {
    c_.FbQuery1.setSQL(sql);
    c_.FbQuery1.ExecQuery();
    c_.FbTransaction2.Commit();
}

bool UpgradeRun::isProductDatabase() {
    return countOf(kProductCheckSql) != 0;
}

void UpgradeRun::ensureVersionTable() {
    if (countOf(kVersionTableCheckSql) == 0) {
        c_.FbTransaction2.Rollback();
        executeAndCommit(kCreateVersionTableSql);
        executeAndCommit(kSeedVersionSql);
    }
    if (c_.FbQuery1.Open()) c_.FbTransaction2.Rollback();
}

std::string UpgradeRun::readRecordedVersion() {
    c_.FbQuery1.setSQL(kReadVersionSql);
    c_.FbQuery1.ExecQuery();
    const bool hasRow = !c_.FbQuery1.Eof();
    const std::string version = hasRow ? c_.FbQuery1.FieldByName("versao").AsString() : "";
    c_.FbQuery1.Close();
    c_.FbTransaction2.Rollback();
    if (hasRow) return version;
    // A VERSAO left without its seed row (an interruption between its
    // creation and its seed) would record nothing, ever.
    executeAndCommit(kSeedVersionSql);
    return "0";
}

void UpgradeRun::runPendingScripts(const std::string& workingText,
                                   const std::string& recordedVersion) {
    const std::string key = view_.ChaveProduto();
    c_.Query3.setSQL(pendingCountSql(key, recordedVersion));
    c_.Query3.Open();
    const std::int64_t pending = c_.Query3.FieldByName("ct").AsInteger();
    c_.Query3.Close();
    logVersionFound(recordedVersion, pending);
    c_.Query2.setSQL(pendingListSql(key, recordedVersion));
    c_.Query2.Open();
    if (!c_.Query2.Eof() && !folderTakesFailureFile_) {
        // A failed script must be able to stop the next start: where its file
        // cannot be made, no script runs at all.
        checkFolderTakesFailureFile();
        folderTakesFailureFile_ = true;
    }

    std::int64_t done = 0;
    bool failed = false;
    while (!c_.Query2.Eof() && !failed) {
        failed = runScript(workingText, c_.Query2.FieldByName("versao").AsString());
        ++done;
        view_.showProgress(upgradeProgressPosition(done, pending));
        if (!failed) c_.Query2.Next();
    }
    view_.showProgress(100);
    c_.Query2.Close();
}

bool UpgradeRun::runScript(const std::string& workingText, const std::string& version) {
    c_.Table2.Open();
    const std::vector<std::string> lines = c_.DBMemo1.Lines();
    c_.Table2.Close();
    c_.startScript(lines);
    logScriptStart(version, lines.size());
    std::optional<std::string> scriptError;
    try {
        ExecutaScript(c_.FbScript1);
    } catch (const std::exception& error) {
        scriptError = error.what();
    }
    // A failed script's version is recorded as well, so it is not offered
    // again (the saved file stops every later start until somebody has seen
    // it); what ran of the script before the failure commits with it.
    std::optional<std::string> commitError;
    std::exception_ptr versionError;
    try {
        recordVersionAndCommit(version);
    } catch (const std::exception& error) {
        // Nothing the script left pending is kept; the version alone is.
        commitError = error.what();
        try {
            if (c_.FbTransaction1.Active()) c_.FbTransaction1.Rollback();
            recordVersionAndCommit(version);
        } catch (...) {
            versionError = std::current_exception();
        }
    }
    if (!scriptError && !commitError) {
        logScriptOk();
        return false;
    }
    // Saved once the commit is over, so that the file says what it left.
    captureFailure(commitError ? failedCommitMessage(scriptError, *commitError) : *scriptError,
                   workingText);
    if (versionError) std::rethrow_exception(versionError);
    return true;
}

void UpgradeRun::recordVersionAndCommit(const std::string& version) {
    FbQuery record(c_.FbDatabase1, c_.FbTransaction1);
    record.setSQL(recordVersionSql(version));
    record.ExecQuery();
    c_.FbTransaction1.Commit();
}

void UpgradeRun::captureFailure(const std::string& message, const std::string& workingText) {
    std::vector<std::string>& lines = c_.FbScript1.Script();
    const std::vector<std::string> comment = errorCommentLines(message);
    lines.insert(lines.begin(), comment.begin(), comment.end());
    view_.flagFailure();
    const std::string name = failedScriptFileName(clock().now(), locale().formats(), workingText);
    try {
        fileSystem().writeTextLines(name, lines);
    } catch (const FileError& error) {
        // A read-only folder, a full disk: a file begun but not finished
        // stays and still stops the next start; without one nothing does,
        // so the operator must hear of the failure now.
        logScriptFailed(message, name + " (not saved: " + error.what() + ")");
        dialogs().error(standardErrorText(unsavedScriptText(error.what(), message)));
        process().sleepMilliseconds(1000);
        return;
    }
    logScriptFailed(message, name);
    view_.showScriptErrorNotice(name);
    process().sleepMilliseconds(1000);
}

}  // namespace velm
