#include "sync/UpdateRun.h"

#include <exception>
#include <optional>
#include <string>
#include <unordered_set>

#include "ftp/FtpClient.h"
#include "ftp/FtpErrors.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/FileNames.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "platform/ReplacementFile.h"
#include "signing/AcceptedListStamp.h"
#include "signing/MinisignSignature.h"
#include "signing/MinisignText.h"
#include "signing/Sha256Sums.h"
#include "signing/SignedListError.h"
#include "signing/SignedListStreams.h"
#include "sync/ArchiveStep.h"
#include "sync/ChangeTest.h"
#include "sync/CommitJournal.h"
#include "sync/ListingEntries.h"
#include "sync/LocalNames.h"
#include "sync/SignedListLog.h"
#include "sync/TransferProgress.h"
#include "sync/UpdateRunLog.h"
#include "sync/UpdateRunView.h"
#include "sync/UpdateSettings.h"

namespace velm {

std::string closingMessage(bool errorFlag, int tag) {
    if (!errorFlag) return "Atualiza\xE7\xE3o finalizada com sucesso.";
    if (tag == 1)
        return "Atualiza\xE7\xE3o finalizada com erros, necess\xE1rio contactar Quorix Sistemas.";
    return "Atualiza\xE7\xE3o finalizada com erros, feche os aplicativos e tente denovo.";
}

UpdateRun::UpdateRun(TFtpClient& ftpupdate, UpdateRunView& view, TransferProgress& progress)
    : ftpupdate_(ftpupdate),
      view_(view),
      progress_(progress),
      session_(ftpupdate, kProductDirectory) {}

void UpdateRun::AtualizaSistema() {
    logRunStart();
    try {
        startAfresh();
        connectToServer();
        if (view_.readyToDownload() && listRemoteFiles() && acceptSignedList()) {
            markStates();
            removeLeftovers("");
            downloadChanged();
            commitStaged();
            checkFolderHoldsRelease();
            recordAcceptedList();
            runArchiveStep(view_.programFilesFolder(),
                           firstProgramName(view_.firstProgramCaption()), downloaded_, errorFlag_,
                           [this] { return archiveVouched(); });
            if (release_) release_->saveDigests();
        }
    } catch (const UpdateRunCancelled&) {
        // The operator is leaving: close the connection and let the window go.
        logRunCancelled();
        staged_.discard();
        ftpupdate_.Disconnect();
        return;
    } catch (const std::exception& e) {
        logRunStopped(e.what());
        staged_.discard();
        throw;
    }
    ftpupdate_.Disconnect();
    upgradeDatabases();
    finish();
}

void UpdateRun::startAfresh() {
    view_.showStatus(" ");
    errorFlag_ = false;
    downloaded_ = false;
    staged_.discard();
    release_.reset();
    list_.reset();
    lastAccepted_.reset();
    notListed_.clear();
    view_.clearTree();
}

// Settings, the password from the catalogue, login, binary mode, the
// product's directory. A server that cannot be reached ends the process.
void UpdateRun::connectToServer() {
    const UpdateSettings settings = readUpdateSettings();
    applySettings(settings);
    // The catalogue is asked first, so its failure shows even with the server down.
    ftpupdate_.Password =
        view_.ftpPassword(ftpPasswordQuery(settings), ftpPasswordColumn(settings));
    ftpupdate_.Passive = settings.Passive;
    logServer(settings, ftpPasswordColumn(settings));
    try {
        ftpupdate_.Connect();
        logLoginOk();
    } catch (const std::exception& e) {
        logLoginFailed(e.what());
        dialogs().message(
            "N\xE3o foi poss\xEDvel estabelecer conex\xE3o ftp.\r\rTENTE MAIS TARDE.\r" +
            std::string(e.what()));
        process().exit(2);
    }
    ftpupdate_.SetTransferType(ftBinary);
    ftpupdate_.ChangeDir(kProductDirectory);
}

void UpdateRun::applySettings(const UpdateSettings& settings) {
    ftpupdate_.Host = settings.Host;
    ftpupdate_.Port = settings.Port;
    ftpupdate_.Username = kUpdateUser;
}

bool UpdateRun::listRemoteFiles() {
    std::optional<FtpReply> refusal;
    try {
        refusal = ftpupdate_.List(&lines_, "", true);
    } catch (const std::exception& e) {
        listingFailed(e.what());
        return false;
    }
    if (refusal) {
        listingFailed(refusal->joinedText());
        return false;
    }
    view_.showListing(lines_);
    logListing(lines_.size(), ftpupdate_.DirectoryListing().Count(), ftpupdate_.DirFormat());
    items_ = pairListingLines(lines_, ftpupdate_.DirectoryListing());
    downloaded_ = false;
    return true;
}

// A refused listing is no empty folder: nothing was compared.
void UpdateRun::listingFailed(const std::string& why) {
    lines_.clear();
    items_.clear();
    view_.showListing(lines_);
    errorFlag_ = true;
    logListingFailed(why);
    dialogs().information("O servidor n\xE3o entregou a lista de arquivos: " + why);
}

// Fetched before the state pass and so before the download pass queues its
// size queries: the control connection is idle here.
bool UpdateRun::acceptSignedList() {
    try {
        const std::optional<std::string> key = readPublicKeyFile();
        if (!key) return true;
        requireListFiles(listed(kSumsFile), listed(kSumsSignatureFile));
        const std::string sums = fetchListFile(kSumsFile, kMaxSumsBytes);
        const std::string signature = fetchListFile(kSumsSignatureFile, kMaxSignatureBytes);
        lastAccepted_ = readAcceptedTimestamp();
        list_ = SignedFileList::verify(*key, sums, signature, lastAccepted_);
        logSignedListAccepted(*list_, lastAccepted_);
        // Every name of the list looked up once: a set, not a pass over the
        // listing per name (thousands of each on a large release).
        std::unordered_set<std::string> offered;
        const TFtpListItems& items = ftpupdate_.DirectoryListing();
        for (const int i : items_)
            if (i >= 0) offered.insert(items[i].FileName);
        list_->requireOffered(
            [&offered](const std::string& name) { return offered.count(name) > 0; });
        release_.emplace(*list_);
        return true;
    } catch (const SignedListError& e) {
        logSignedListRefused(e);
        release_.reset();
        list_.reset();
        errorFlag_ = true;
        dialogs().information(e.what());
        return false;
    }
}

// A list file the server listed and then did not deliver is no list either.
std::string UpdateRun::fetchListFile(const char* name, std::size_t bound) {
    BoundedTextStream text(name, bound);
    try {
        ftpupdate_.Get(name, text, false);
    } catch (const SignedListError&) {
        throw;
    } catch (const Error& e) {
        throw SignedListError(SignedListFailure::NotPublished,
                              std::string("O servidor n\xE3o entregou o arquivo ") + name +
                                  " da lista assinada de arquivos: " + e.what());
    }
    return text.text();
}

// Named as the signed list names them, byte for byte.
bool UpdateRun::listed(const std::string& name) const {
    const TFtpListItems& items = ftpupdate_.DirectoryListing();
    for (const int i : items_)
        if (i >= 0 && items[i].FileName == name) return true;
    return false;
}

bool UpdateRun::unread(std::size_t line) const {
    return items_[line] < 0 && !makesNoItem(lines_[line]);
}

// One node per raw line; a line meant to make no entry (a total line, a
// banner) gets no state picture, an unread one is red.
void UpdateRun::markStates() {
    const TFtpListItems& items = ftpupdate_.DirectoryListing();
    for (std::size_t r = 0; r < lines_.size(); ++r) {
        TreeState state = unread(r) ? tsDiffers : tsNone;
        if (const int i = items_[r]; i >= 0) {
            const TFtpListItem& entry = items[i];
            state = !fetchable(entry.FileName) || entryDiffers(entry.FileName, entry.ModifiedDate)
                        ? tsDiffers
                        : tsEqual;
        }
        logEntryState(lines_[r], items_[r] >= 0 ? &items[items_[r]] : nullptr, state);
        view_.addNode(lines_[r], state);
    }
    refuseNotListed();
    view_.repaintTree();
}

// One box for all, naming the first: the others are in the run log. A name
// the folder cannot hold is refused on its own and not asked about here.
void UpdateRun::refuseNotListed() {
    notListed_.assign(lines_.size(), false);
    if (!list_) return;
    const TFtpListItems& items = ftpupdate_.DirectoryListing();
    std::string first;
    std::size_t others = 0;
    for (std::size_t r = 0; r < lines_.size(); ++r) {
        if (items_[r] < 0 || !fetchable(items[items_[r]].FileName)) continue;
        const std::string& name = items[items_[r]].FileName;
        try {
            list_->checkNamed(name);
            continue;
        } catch (const Error& e) {
            if (first.empty())
                first = e.what();
            else
                ++others;
        }
        logEntryNotListed(name);
        notListed_[r] = true;
        view_.setNodeState(static_cast<int>(r), tsDiffers);
    }
    if (first.empty()) return;
    errorFlag_ = true;
    if (others > 0)
        first += "\r\rOutros arquivos do servidor que tamb\xE9m n\xE3o constam da lista: " +
                 std::to_string(others);
    dialogs().information(first + "\r\rNenhum arquivo foi atualizado.");
}

// The entries that were read are still brought up to date, as the pass goes
// on after a failed download; the unread lines are told once, where the first
// of them stands.
void UpdateRun::downloadChanged() {
    // Every entry's size query goes out ahead, in listing order; each answer
    // is taken when its entry comes up, before its change test.
    const TFtpListItems& items = ftpupdate_.DirectoryListing();
    std::vector<std::string> names;
    for (std::size_t r = 0; r < lines_.size(); ++r)
        if (items_[r] >= 0 && fetchable(items[items_[r]].FileName))
            names.push_back(items[items_[r]].FileName);
    session_.queueSizes(names);
    bool told = false;
    bool lost = false;
    for (std::size_t r = 0; r < lines_.size(); ++r) {
        if (items_[r] >= 0) {
            if (lost) continue;
            try {
                downloadEntry(static_cast<int>(r), items_[r]);
            } catch (const DownloadSessionLost& e) {
                lostTheServer(r, e.what());
                lost = true;
            }
        } else if (!told && unread(r)) {
            reportUnreadLines(r);
            told = true;
        }
    }
}

bool UpdateRun::entryDiffers(const std::string& name, DateTime modified) {
    if (ArquivoDiferente(name, modified)) return true;
    return release_ && release_->differs(name);
}

void UpdateRun::lostTheServer(std::size_t line, const std::string& why) {
    for (std::size_t r = line; r < lines_.size(); ++r)
        if (items_[r] >= 0) view_.setNodeState(static_cast<int>(r), tsDiffers);
    view_.repaintTree();
    errorFlag_ = true;
    dialogs().information(why);
}

void UpdateRun::downloadEntry(int line, int item) {
    const TFtpListItem& entry = ftpupdate_.DirectoryListing()[item];
    const std::string name = entry.FileName;
    const DateTime modified = entry.ModifiedDate;
    const std::int64_t listed = entry.SizeAvail ? entry.Size : -1;
    view_.showFileName(NomeDaLinha(lines_[line]));
    if (!fetchable(name)) {
        refuseName(line, name);
        return;
    }
    // The size goes out for every entry, changed or not.
    const std::int64_t size = session_.takeSize(name);
    progress_.BytesToTransfer = static_cast<std::uint32_t>(size);
    if (notListed_[line] || !entryDiffers(name, modified)) return;
    downloaded_ = true;
    progress_.BytesReceived = 0;
    try {
        view_.setNodeState(line, tsFetching);
        view_.repaintTree();
        fetchVerified(name, size, size >= 0 ? size : listed, modified);
        logDownload(name, size, progress_.BytesReceived, modified);
        view_.setNodeState(line, tsEqual);
        view_.repaintTree();
    } catch (const UpdateRunCancelled&) {
        throw;
    } catch (const std::exception& e) {
        logDownload(name, size, progress_.BytesReceived, modified, e.what());
        view_.setNodeState(line, tsDiffers);
        view_.repaintTree();
        errorFlag_ = true;
        dialogs().information(e.what());
    }
}

// The download is staged only when it is whole: the server confirmed the
// transfer and it holds the size the server gave, when it gave one. The run
// holds the temporary file itself, the client filling it as a stream, so
// that the file is checked (and given the server's time) before it joins the
// set that the commit puts in place. Receiving stops once the file exceeds
// the size the server announced: a server that never stops sending cannot
// fill the shop's disk.
void UpdateRun::fetchVerified(const std::string& name, std::int64_t expectedSize,
                              std::int64_t announcedSize, DateTime modified) {
    ReplacementFile file(".\\" + name);
    // With a signed list, hashed as it streams: the file is never read a second time.
    std::optional<HashingStream> hashed;
    if (list_) hashed.emplace(file.stream());
    try {
        ftpupdate_.Get(name, hashed ? *hashed : file.stream(), false, announcedSize);
    } catch (const EFtpOversizedDownload& e) {
        throw Error("Arquivo " + name + " recebido maior que os " +
                    std::to_string(e.AnnouncedSize()) +
                    " bytes anunciados pelo servidor; o download foi interrompido.");
    }
    checkWhole(name, file.size(), expectedSize >= 0 ? expectedSize : announcedSize);
    if (list_) {
        const Sha256Digest digest = hashed->finish();
        logDownloadChecksum(name, digest, list_->digestFor(name));
        list_->checkDownloaded(name, digest);
        release_->fetched(name, digest);
    }
    const std::string staged = file.stage();
    try {
        try {
            fileSystem().setModificationTime(staged, modified);
        } catch (const Error&) {
            // A file system that refuses the stamp: the file keeps the download's time.
        }
        staged_.add(name, staged);
    } catch (...) {
        fileSystem().deleteFile(staged);
        throw;
    }
}

// The size the server gave (its size query, or its listing line when it
// refused the query) is the size the file must have: a transfer the server
// ended early and still confirmed is no file.
void UpdateRun::checkWhole(const std::string& name, std::int64_t received, std::int64_t size) {
    if (size >= 0 && received != size)
        throw Error("Arquivo " + name + " recebido incompleto: " + std::to_string(received) +
                    " de " + std::to_string(size) + " bytes.");
}

// Nothing lands unless everything arrived: after any error of the run the
// staged files go and the folder stays as it was.
void UpdateRun::commitStaged() {
    const std::size_t files = staged_.size();
    if (errorFlag_) {
        if (files > 0) logCommitDiscarded(files);
        staged_.discard();
        return;
    }
    if (files == 0) return;
    try {
        const CommitDone done = staged_.commit();
        logCommitDone(files, done.cleanUpError);
        if (release_) release_->landed();
    } catch (const RenameRefused& refusal) {
        logCommitRolledBack(files, refusal.destination(), refusal.what());
        commitRefused(refusal);
    } catch (const Error& e) {
        logCommitFailed(files, e.what());
        errorFlag_ = true;
        dialogs().information(
            "N\xE3o foi poss\xEDvel gravar os arquivos baixados; nenhum arquivo foi "
            "atualizado.\r\r" +
            std::string(e.what()));
    }
}

// The file that could not be replaced turns red; the others were put back
// as they were, so the box says that nothing changed.
void UpdateRun::commitRefused(const RenameRefused& refusal) {
    const TFtpListItems& items = ftpupdate_.DirectoryListing();
    for (std::size_t r = 0; r < lines_.size(); ++r)
        if (items_[r] >= 0 && sameFileName(items[items_[r]].FileName, refusal.destination())) {
            view_.setNodeState(static_cast<int>(r), tsDiffers);
            view_.repaintTree();
        }
    errorFlag_ = true;
    dialogs().information("N\xE3o foi poss\xEDvel substituir o arquivo " + refusal.destination() +
                          " (em uso ou protegido); nenhum arquivo foi atualizado.\r\r" +
                          std::string(refusal.what()));
}

// Only a folder that holds the whole release is trusted: the accepted time,
// the archive step and the upgrade wait for it.
void UpdateRun::checkFolderHoldsRelease() {
    if (!release_ || errorFlag_) return;
    try {
        release_->requireFolderHoldsRelease();
    } catch (const Error& e) {
        errorFlag_ = true;
        dialogs().information(e.what());
    }
}

bool UpdateRun::archiveVouched() {
    if (!release_) return true;
    try {
        release_->requireArchiveVouched(kArchiveFile);
        return true;
    } catch (const Error& e) {
        dialogs().information(e.what());
        return false;
    }
}

// Also when nothing needed replacing: the folder runs what this list names.
// A record that cannot be written costs only the rollback check's memory of
// this list, not the files that landed, so it is logged and not shown.
void UpdateRun::recordAcceptedList() {
    if (!list_ || errorFlag_) return;
    const std::uint64_t timestamp = list_->timestamp();
    if (lastAccepted_ == timestamp) return;
    try {
        writeAcceptedTimestamp(timestamp);
        logAcceptedStampSaved(timestamp);
    } catch (const Error& e) {
        logAcceptedStampSaved(timestamp, e.what());
    }
}

// A name the folder cannot hold, or one of the updater's own files: the
// public key only with a verified list that names it (the old key brings
// the new one).
NameFault UpdateRun::nameFault(const std::string& name) const {
    const bool keyMayChange = list_ && list_->digestFor(kPublicKeyFile) != nullptr;
    return listedNameFault(name, keyMayChange ? KeyChange::Allowed : KeyChange::Refused);
}

bool UpdateRun::fetchable(const std::string& name) const {
    return nameFault(name) == NameFault::None;
}

void UpdateRun::refuseName(int line, const std::string& name) {
    view_.setNodeState(line, tsDiffers);
    view_.repaintTree();
    errorFlag_ = true;
    dialogs().information(refusedNameText(nameFault(name), name));
}

// One box for all: after the first unread line the parser made no entry at
// all, so the lines after it would each bring a box of their own.
void UpdateRun::reportUnreadLines(std::size_t first) {
    std::size_t others = 0;
    for (std::size_t r = first + 1; r < lines_.size(); ++r)
        if (unread(r)) ++others;
    errorFlag_ = true;
    std::string text =
        "O servidor listou uma linha que n\xE3o descreve nenhum arquivo: " + lines_[first];
    if (others > 0)
        text += "\r\rOutras linhas da listagem que tamb\xE9m n\xE3o descrevem nenhum arquivo: " +
                std::to_string(others);
    dialogs().information(text);
}

void UpdateRun::upgradeDatabases() {
    if (errorFlag_) {
        logUpgradeSkipped("");
        return;
    }
    // A script that failed before locks the databases, as it locks the start.
    const std::string saved = view_.savedScriptErrorFile();
    bool failed = true;
    if (saved.empty()) {
        failed = view_.runUpgrade() == 1;
    } else {
        logUpgradeSkipped(saved);
        view_.showScriptErrorNotice(saved);
    }
    if (failed) {
        tag_ = 1;
        view_.setTag(1);
        errorFlag_ = true;
    }
}

void UpdateRun::finish() {
    view_.resetGauge();
    view_.showStatus(closingMessage(errorFlag_, tag_));
    logRunEnd(closingMessage(errorFlag_, tag_));
    if (errorFlag_) {
        tag_ = 0;
        view_.setTag(0);
    }
    view_.showCounter("");
    view_.showFileName("");
}

}  // namespace velm
