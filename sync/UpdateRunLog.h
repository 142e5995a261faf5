#pragma once

#include <cstdint>
#include <string>

#include "platform/DateTime.h"
#include "sync/UpdateRunView.h"

namespace velm {

struct CommitRecovery;
struct TFtpListItem;
struct UpdateSettings;

// The update run's lines in the run log (platform/RunLog.h), one call per
// event. None of them raises.

// "run start": the program's version and the working folder.
void logRunStart();
// "server": host, port, mode, user and password column; never the password.
void logServer(const UpdateSettings& settings, const std::string& passwordColumn);
void logLoginOk();
// The process ends with exit code 2 after this line.
void logLoginFailed(const std::string& error);
// "listing": raw lines, parsed entries, the format the parser recognised.
void logListing(std::size_t lines, int entries, const std::string& format);
// The listing was refused or its transfer failed.
void logListingFailed(const std::string& error);
// "entry": the state pass's finding for one listing line (`item` null for a
// line that names no entry): equal, changed, new, refused-name or
// unreadable-line.
void logEntryState(const std::string& rawLine, const TFtpListItem* item, TreeState state);
// "download": the server's size (-1: not given), the bytes received, the
// server's time, and "ok" or the error's text.
void logDownload(const std::string& name, std::int64_t size, std::int64_t received,
                 DateTime serverTime, const std::string& error = "");
// "reconnect": the control connection was lost in the download pass (the
// error that showed it, "" when a failed download had closed it) and made
// again ("ok"), or the error of the attempt.
void logReconnect(const std::string& lostBy, const std::string& error);
// "commit": the run's staged files put in place together ("ok"), removed
// because the run had errors before ("discarded"), put back after a rename
// was refused ("rolled-back", with the file), or left as they were because
// the commit could not begin ("failed", a journal that could not be written).
// `cleanUpError`: the backups or the journal left for the next start.
void logCommitDone(std::size_t files, const std::string& cleanUpError = "");
void logCommitDiscarded(std::size_t files);
void logCommitRolledBack(std::size_t files, const std::string& name, const std::string& error);
void logCommitFailed(std::size_t files, const std::string& error);
// "recovery": what the start did about a commit a killed run left (nothing
// when there was none).
void logRecovery(const CommitRecovery& recovery);
// "archive": why the step did not run, the command line it started, or the
// first program that would not go.
void logArchiveSkipped(bool downloaded, bool errorFlag);
void logArchiveStarted(const std::string& commandLine);
void logArchiveRefused(const std::string& firstProgram);
// "upgrade skipped": the upgrade window is not shown, after a failed step
// ("" for the file) or because a saved failed script lies in the folder.
void logUpgradeSkipped(const std::string& savedScriptFile);
// "run end" with the closing message; "run stopped" by an error no stage
// catches; "run cancelled" when the operator left during a transfer.
void logRunEnd(const std::string& closingMessage);
void logRunStopped(const std::string& error);
void logRunCancelled();

}  // namespace velm
