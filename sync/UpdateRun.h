#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/DateTime.h"
#include "signing/SignedFileList.h"
#include "sync/DownloadSession.h"
#include "sync/LocalNames.h"
#include "sync/SignedRelease.h"
#include "sync/StagedFiles.h"

namespace velm {

class TFtpClient;
class TransferProgress;
class UpdateRunView;
struct UpdateSettings;

// The closing message of a run, by its error flag and the update window's Tag.
std::string closingMessage(bool errorFlag, int tag);

// One update run (AtualizaSistema): settings and login, the listing with its
// change test and downloads, the archive step, disconnecting, the upgrade
// window, the closing message. Talks to the window only through the view and
// to the world through the platform services.
class UpdateRun {
public:
    UpdateRun(TFtpClient& ftpupdate, UpdateRunView& view, TransferProgress& progress);

    // Errors that no stage catches pass on to the caller, leaving the
    // connection as it was. A connection or login failure ends the process
    // with exit code 2. When the operator asks to leave during a transfer the
    // run disconnects and returns early.
    void AtualizaSistema();

private:
    void startAfresh();
    void connectToServer();
    void applySettings(const UpdateSettings& settings);
    // False when the server refused the listing or it broke off: told, and
    // the error flag set.
    bool listRemoteFiles();
    void listingFailed(const std::string& why);
    // With the folder's public key: fetches and verifies the server's signed
    // file list. False when it was refused: told, and the error flag set.
    // Without the key: true, and nothing of the list is asked for.
    bool acceptSignedList();
    std::string fetchListFile(const char* name, std::size_t bound);
    bool listed(const std::string& name) const;
    // Whether the entry must be fetched: its time differs to the minute
    // from the local file's, or, with a signed list, the local file's
    // digest is not the listed one.
    bool entryDiffers(const std::string& name, DateTime modified);
    // Listed entries the signed list does not name: red, never fetched, one box.
    void refuseNotListed();
    // With a signed list, after the commit: the folder holds every file of
    // the list with its digest, or the run stops here (told, error flag).
    void checkFolderHoldsRelease();
    // The accepted list's time, recorded once the run's files are in place.
    void recordAcceptedList();
    // With a signed list, right before the archiver would start: false
    // when the archive is not the one the list names (told).
    bool archiveVouched();
    // A line that should have made an entry and did not: the client could
    // not read it, so its file is never looked at.
    bool unread(std::size_t line) const;
    void markStates();
    void downloadChanged();
    void downloadEntry(int line, int item);
    // The pass cannot reach the server any more: told once, the entries from
    // `line` on turn red.
    void lostTheServer(std::size_t line, const std::string& why);
    void fetchVerified(const std::string& name, std::int64_t expectedSize,
                       std::int64_t announcedSize, DateTime modified);
    static void checkWhole(const std::string& name, std::int64_t received, std::int64_t size);
    // The run's files in place together, or, after an error, none.
    void commitStaged();
    void commitRefused(const RenameRefused& refusal);
    // The listed name may be fetched: the folder can hold it and it is none
    // of the updater's own files.
    bool fetchable(const std::string& name) const;
    NameFault nameFault(const std::string& name) const;
    void refuseName(int line, const std::string& name);
    void reportUnreadLines(std::size_t first);
    void upgradeDatabases();
    void finish();

    TFtpClient& ftpupdate_;
    UpdateRunView& view_;
    TransferProgress& progress_;
    DownloadSession session_;
    bool errorFlag_ = false;
    bool downloaded_ = false;
    int tag_ = 0;
    std::vector<std::string> lines_;  // the raw listing
    std::vector<int> items_;          // per line: its parsed item, or -1
    StagedFiles staged_;              // the downloads, whole, until the commit
    std::optional<SignedFileList> list_;  // the accepted signed list, when checks are on
    std::optional<SignedRelease> release_;  // what the folder must hold, by list_
    std::optional<std::uint64_t> lastAccepted_;
    std::vector<bool> notListed_;     // per line: named by no entry of the list
};

}  // namespace velm
