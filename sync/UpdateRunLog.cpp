#include "sync/UpdateRunLog.h"

#include "sync/LocalNames.h"

#include "ftp/FtpListItem.h"
#include "platform/FileSystem.h"
#include "platform/RunLog.h"
#include "platform/WorkingFolder.h"
#include "sync/ArchiveStep.h"
#include "sync/CommitJournal.h"
#include "sync/ListingEntries.h"
#include "sync/UpdateSettings.h"

namespace velm {

namespace {

// The version the FTP client announces as well (CLNT).
constexpr const char* kProgramVersion = "1.0";

const char* yesNo(bool value) {
    return value ? "yes" : "no";
}

// The log's file look-ups must not raise either.
bool exists(const std::string& name) noexcept {
    try {
        return fileSystem().fileExists(name);
    } catch (...) {
        return false;
    }
}

const char* entryState(const TFtpListItem* item, TreeState state) {
    // A line without an entry is unreadable unless it was meant to make none
    // (a total line, a banner), which the tree leaves without a state.
    if (!item) return state == tsNone ? "no-entry" : "unreadable-line";
    if (state == tsEqual) return "equal";
    if (listedNameFault(item->FileName, KeyChange::Allowed) != NameFault::None)
        return "refused-name";
    return exists(item->FileName) ? "changed" : "new";
}

}  // namespace

void logRunStart() {
    logBuiltEvent([] {
        return "run start" + logField("version", kProgramVersion) +
               logField("folder", workingFolder());
    });
}

void logServer(const UpdateSettings& settings, const std::string& passwordColumn) {
    logBuiltEvent([&] {
        return "server" + logField("host", settings.Host) +
               logField("port", std::int64_t{settings.Port}) +
               logField("mode", settings.Passive ? "passive" : "active") +
               logField("user", kUpdateUser) +
               logField("settings",
                        exists(kUpdateSettingsFile) ? kUpdateSettingsFile : "defaults") +
               logField("password-column", passwordColumn);
    });
}

void logLoginOk() {
    logEvent("login result=ok");
}

void logLoginFailed(const std::string& error) {
    logBuiltEvent([&] {
        return "login result=failed" + logField("error", error) + logField("exit-code", 2);
    });
}

void logListing(std::size_t lines, int entries, const std::string& format) {
    logBuiltEvent([&] {
        return "listing" + logField("lines", static_cast<std::int64_t>(lines)) +
               logField("entries", static_cast<std::int64_t>(entries)) +
               logField("format", format.empty() ? "none" : format);
    });
}

void logListingFailed(const std::string& error) {
    logBuiltEvent([&] { return "listing result=failed" + logField("error", error); });
}

void logEntryState(const std::string& rawLine, const TFtpListItem* item, TreeState state) {
    logBuiltEvent([&] {
        const std::string found = std::string("entry") + logField("state", entryState(item, state));
        return item ? found + logField("name", item->FileName) : found + logField("line", rawLine);
    });
}

void logDownload(const std::string& name, std::int64_t size, std::int64_t received,
                 DateTime serverTime, const std::string& error) {
    logBuiltEvent([&] {
        std::string text = "download" + logField("name", name) +
                           (size < 0 ? logField("size", "unknown") : logField("size", size)) +
                           logField("received", received) +
                           logField("server-time", logTime(serverTime));
        return error.empty() ? text + " result=ok"
                             : text + " result=failed" + logField("error", error);
    });
}

void logReconnect(const std::string& lostBy, const std::string& error) {
    logBuiltEvent([&] {
        std::string text = "reconnect" + logField("lost-by", lostBy.empty() ? "closed" : lostBy);
        return error.empty() ? text + " result=ok"
                             : text + " result=failed" + logField("error", error);
    });
}

void logCommitDone(std::size_t files, const std::string& cleanUpError) {
    logBuiltEvent([&] {
        std::string line = "commit" + logField("files", static_cast<std::int64_t>(files)) + " result=ok";
        if (!cleanUpError.empty())
            line += " clean-up=next-start" + logField("error", cleanUpError);
        return line;
    });
}

void logCommitDiscarded(std::size_t files) {
    logBuiltEvent([&] {
        return "commit" + logField("files", static_cast<std::int64_t>(files)) +
               " result=discarded reason=errors";
    });
}

void logCommitRolledBack(std::size_t files, const std::string& name, const std::string& error) {
    logBuiltEvent([&] {
        return "commit" + logField("files", static_cast<std::int64_t>(files)) +
               " result=rolled-back" + logField("name", name) + logField("error", error);
    });
}

void logCommitFailed(std::size_t files, const std::string& error) {
    logBuiltEvent([&] {
        return "commit" + logField("files", static_cast<std::int64_t>(files)) +
               " result=failed" + logField("error", error);
    });
}

void logRecovery(const CommitRecovery& recovery) {
    using Outcome = CommitRecovery::Outcome;
    if (recovery.outcome == Outcome::None) return;
    logBuiltEvent([&] {
        const auto files = logField("files", static_cast<std::int64_t>(recovery.files));
        switch (recovery.outcome) {
        case Outcome::RolledForward:
            return "recovery result=rolled-forward" + files;
        case Outcome::Discarded:
            return std::string("recovery result=discarded reason=journal-cut");
        case Outcome::RolledBack:
            return "recovery result=rolled-back" + files + logField("error", recovery.error);
        case Outcome::Refused:
            return "recovery result=refused" + logField("entry", recovery.error) +
                   logField("journal", "removed");
        default:
            return "recovery result=failed" + files + logField("error", recovery.error) +
                   logField("journal", "kept");
        }
    });
}

void logArchiveSkipped(bool downloaded, bool errorFlag) {
    logBuiltEvent([&] {
        return std::string("archive result=skipped") + logField("downloaded", yesNo(downloaded)) +
               logField("errors", yesNo(errorFlag)) +
               logField("main-program", exists(kMainProgram) ? "present" : "missing") +
               logField("archive", exists(kArchiveFile) ? "present" : "missing");
    });
}

void logArchiveStarted(const std::string& commandLine) {
    logBuiltEvent([&] { return "archive result=started" + logField("command", commandLine); });
}

void logArchiveRefused(const std::string& firstProgram) {
    logBuiltEvent([&] {
        return "archive result=failed" + logField("program-still-present", firstProgram) +
               logField("archive", "deleted");
    });
}

void logUpgradeSkipped(const std::string& savedScriptFile) {
    logBuiltEvent([&] {
        return savedScriptFile.empty() ? std::string("upgrade result=skipped reason=errors")
                                       : "upgrade result=skipped reason=saved-script" +
                                             logField("file", savedScriptFile);
    });
}

void logRunEnd(const std::string& closingMessage) {
    logBuiltEvent([&] { return "run end" + logField("message", closingMessage); });
}

void logRunStopped(const std::string& error) {
    logBuiltEvent([&] { return "run stopped" + logField("error", error); });
}

void logRunCancelled() {
    logEvent("run cancelled reason=operator-left");
}

}  // namespace velm
