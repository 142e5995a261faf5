#include "sync/StagedFiles.h"

#include <utility>

#include "platform/FileNames.h"
#include "platform/FileSystem.h"
#include "platform/ReplacementFile.h"

namespace velm {

namespace {

std::string inFolder(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + "\\" + name;
}

}  // namespace

StagedFiles::StagedFiles(std::string folder) : folder_(std::move(folder)) {}

StagedFiles::~StagedFiles() {
    discard();
}

void StagedFiles::add(const std::string& destination, const std::string& staged) {
    CommitEntry entry{extractFileName(destination), extractFileName(staged), ""};
    std::string key = entry.destination;
    for (char& c : key) c = foldFileNameChar(c);
    const auto [known, added] = byName_.try_emplace(std::move(key), staged_.size());
    if (added) {
        staged_.push_back(std::move(entry));
        return;
    }
    CommitEntry& earlier = staged_[known->second];
    fileSystem().deleteFile(inFolder(folder_, earlier.staged));
    earlier = std::move(entry);
}

void StagedFiles::discard() {
    for (const CommitEntry& e : staged_) fileSystem().deleteFile(inFolder(folder_, e.staged));
    staged_.clear();
    byName_.clear();
}

CommitDone StagedFiles::commit(const CommitStepObserver& afterStep) {
    CommitDone done;
    if (staged_.empty()) return done;
    FileSystem& files = fileSystem();
    std::vector<CommitEntry> entries = std::move(staged_);
    staged_.clear();
    byName_.clear();
    try {
        // A journal still here is a commit the start could not finish: its
        // files must not be mixed with this one's.
        if (commitJournalExists(folder_))
            throw FileError("An earlier update could not be finished: \"" +
                            inFolder(folder_, kCommitJournalName) + "\" is still there.");
        std::vector<std::string> names;
        for (CommitEntry& e : entries) {
            names.push_back(inFolder(folder_, e.staged));
            measureNewContents(folder_, e);
            if (files.fileExists(inFolder(folder_, e.destination)))
                e.backup = chooseBackupName(folder_);
        }
        files.flushFiles(names);
        if (afterStep) afterStep();
        writeCommitJournal(folder_, entries);
    } catch (...) {
        for (const CommitEntry& e : entries) files.deleteFile(inFolder(folder_, e.staged));
        throw;
    }
    if (afterStep) afterStep();
    try {
        rollForward(folder_, entries, afterStep);
    } catch (const RenameRefused&) {
        // Recorded before the first file goes back, so that a rollback cut
        // short is finished as a rollback. Without every old file back the
        // journal stays: the next start finishes the rollback.
        try {
            markCommitGoingBack(folder_, entries);
        } catch (const Error&) {
            // The next start then finds a destination without its new
            // contents and turns back itself.
        }
        if (rollBack(folder_, entries)) {
            try {
                removeCommitJournal(folder_);
            } catch (const Error&) {
            }
        }
        throw;
    }
    // Every file has landed; what is left is tidying, which the next start
    // finishes should it fail here. Backups go only once the renames are on disk.
    try {
        files.flushFolder(folder_);
        removeBackups(folder_, entries, afterStep);
        removeCommitJournal(folder_);
    } catch (const Error& e) {
        done.cleanUpError = e.what();
    }
    if (afterStep) afterStep();
    return done;
}

}  // namespace velm
