#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "sync/CommitJournal.h"

namespace velm {

// What a commit that put every file in place could not tidy after it.
struct CommitDone {
    std::string cleanUpError;  // "" when the backups and the journal went
};

// The new files of one run, each whole in its temporary file beside its
// destination, waiting to take their places together: commit() puts all of
// them in place or none (through the commit journal, so that a kill or a
// power cut at any instant leaves a folder the next start finishes);
// discard() or the destructor removes them and the folder stays as it was.
class StagedFiles {
public:
    // `folder` is "" for the current one; every file of the set lies in it.
    explicit StagedFiles(std::string folder = "");
    ~StagedFiles();
    StagedFiles(const StagedFiles&) = delete;
    StagedFiles& operator=(const StagedFiles&) = delete;

    // Takes the staged file for `destination` (names with or without the
    // folder part); a later one for the same destination replaces it.
    void add(const std::string& destination, const std::string& staged);
    std::size_t size() const { return staged_.size(); }
    bool empty() const { return staged_.empty(); }
    // Removes every staged file.
    void discard();

    // Puts the set in place: the staged files on disk, measured (size and
    // SHA-256) into the journal, which is written and put on disk; then for
    // each file the old one to a backup name no file had (the rename
    // refuses to replace one) and the staged one to its name; then the
    // folder is flushed and the backups and the journal go. A rename
    // refused raises RenameRefused once the journal says the commit goes
    // back and the old files are back (the folder as it was); a journal
    // that cannot be written (a full disk) raises its FileError, nothing
    // replaced. Either way the staged files are gone and the set is empty.
    // Once the last rename is done the files have landed: a failure of the
    // tidying after it is returned, not raised, and the next start
    // finishes it. `afterStep` is called before the journal is written and
    // after every step (tests stop the process there).
    CommitDone commit(const CommitStepObserver& afterStep = {});

private:
    std::string folder_;
    std::vector<CommitEntry> staged_;  // backups not chosen yet
    std::unordered_map<std::string, std::size_t> byName_;  // folded destination -> entry
};

}  // namespace velm
