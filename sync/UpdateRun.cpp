#include "sync/UpdateRun.h"

#include <exception>

#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "sync/ArchiveStep.h"
#include "sync/ChangeTest.h"
#include "sync/FtpClient.h"
#include "sync/ListingEntries.h"
#include "sync/TransferProgress.h"
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
    : ftpupdate_(ftpupdate), view_(view), progress_(progress) {}

void UpdateRun::AtualizaSistema() {
    try {
        startAfresh();
        connectToServer();
        if (view_.readyToDownload()) {
            listRemoteFiles();
            markStates();
            downloadChanged();
            runArchiveStep(view_.programFilesFolder(),
                           firstProgramName(view_.firstProgramCaption()), downloaded_, errorFlag_);
        }
    } catch (const UpdateRunCancelled&) {
        // The operator is leaving: close the connection and let the window go.
        ftpupdate_.Disconnect();
        return;
    }
    ftpupdate_.Disconnect();
    upgradeDatabases();
    finish();
}

bool UpdateRun::ArquivoDiferente(const std::string& name, int index) {
    return velm::ArquivoDiferente(name, ftpupdate_.DirectoryListing()[index].ModifiedDate);
}

void UpdateRun::startAfresh() {
    view_.showStatus(" ");
    errorFlag_ = false;
    downloaded_ = false;
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
    try {
        ftpupdate_.Connect();
    } catch (const std::exception& e) {
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

void UpdateRun::listRemoteFiles() {
    ftpupdate_.List(&lines_, "", true);
    view_.showListing(lines_);
    items_ = pairListingLines(lines_, ftpupdate_.DirectoryListing());
    downloaded_ = false;
}

// One node per raw line; a line that names no entry gets no state picture.
void UpdateRun::markStates() {
    const TFtpListItems& items = ftpupdate_.DirectoryListing();
    for (std::size_t r = 0; r < lines_.size(); ++r) {
        TreeState state = tsNone;
        if (const int i = items_[r]; i >= 0) {
            const std::string& name = items[i].FileName;
            state = !isSafeLocalName(name) || ArquivoDiferente(name, i) ? tsDiffers : tsEqual;
        }
        view_.addNode(lines_[r], state);
    }
    view_.repaintTree();
}

void UpdateRun::downloadChanged() {
    // Every entry's size query goes out ahead, in listing order; each answer
    // is taken when its entry comes up, before its change test.
    const TFtpListItems& items = ftpupdate_.DirectoryListing();
    for (std::size_t r = 0; r < lines_.size(); ++r)
        if (items_[r] >= 0 && isSafeLocalName(items[items_[r]].FileName))
            ftpupdate_.QueueSize(items[items_[r]].FileName);
    for (std::size_t r = 0; r < lines_.size(); ++r)
        if (items_[r] >= 0) downloadEntry(static_cast<int>(r), items_[r]);
}

void UpdateRun::downloadEntry(int line, int item) {
    const TFtpListItem& entry = ftpupdate_.DirectoryListing()[item];
    const std::string name = entry.FileName;
    const DateTime modified = entry.ModifiedDate;
    view_.showFileName(NomeDaLinha(lines_[line]));
    if (!isSafeLocalName(name)) {
        refuseName(line, name);
        return;
    }
    // The size goes out for every entry, changed or not.
    const std::int64_t size = ftpupdate_.TakeSize(name);
    progress_.BytesToTransfer = static_cast<std::uint32_t>(size);
    if (!ArquivoDiferente(name, item)) return;
    downloaded_ = true;
    try {
        view_.setNodeState(line, tsFetching);
        view_.repaintTree();
        fetchVerified(name, size);
        try {
            fileSystem().setModificationTime(".\\" + name, modified);
        } catch (const Error&) {
            // A time the file system cannot store: the file keeps the download's.
        }
        view_.setNodeState(line, tsEqual);
        view_.repaintTree();
    } catch (const UpdateRunCancelled&) {
        throw;
    } catch (const std::exception& e) {
        view_.setNodeState(line, tsDiffers);
        view_.repaintTree();
        errorFlag_ = true;
        dialogs().information(e.what());
    }
}

// The download lands in a temporary file and replaces the local one only
// when it is whole: the size the server gave, when it gave one.
void UpdateRun::fetchVerified(const std::string& name, std::int64_t expectedSize) {
    FileSystem& files = fileSystem();
    const std::string temporary = files.createTemporaryFile("", "~vu");
    try {
        ftpupdate_.Get(name, temporary, true, false);
        const long long received = files.fileSize(temporary);
        if (expectedSize >= 0 && received != expectedSize)
            throw Error("Arquivo " + name + " recebido incompleto: " + std::to_string(received) +
                        " de " + std::to_string(expectedSize) + " bytes.");
        files.replaceFile(temporary, ".\\" + name);
    } catch (...) {
        files.deleteFile(temporary);
        throw;
    }
}

void UpdateRun::refuseName(int line, const std::string& name) {
    view_.setNodeState(line, tsDiffers);
    view_.repaintTree();
    errorFlag_ = true;
    dialogs().information(
        "O servidor listou um nome de arquivo que n\xE3o pode ser gravado nesta "
        "pasta: " +
        name);
}

void UpdateRun::upgradeDatabases() {
    if (errorFlag_) return;
    // A script that failed before locks the databases, as it locks the start.
    const std::string saved = view_.savedScriptErrorFile();
    bool failed = true;
    if (saved.empty())
        failed = view_.runUpgrade() == 1;
    else
        view_.showScriptErrorNotice(saved);
    if (failed) {
        tag_ = 1;
        view_.setTag(1);
        errorFlag_ = true;
    }
}

void UpdateRun::finish() {
    view_.resetGauge();
    view_.showStatus(closingMessage(errorFlag_, tag_));
    if (errorFlag_) {
        tag_ = 0;
        view_.setTag(0);
    }
    view_.showCounter("");
    view_.showFileName("");
}

}  // namespace velm
