#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Errors.h"

namespace velm {

// One file of a commit; the three are names in the commit's folder.
struct CommitEntry {
    std::string destination;
    std::string staged;  // the new contents, whole and on disk
    std::string backup;  // where the old file waits; "" for a new file
};

// The journal of a commit: written and put on disk before the first rename,
// removed after the last step, so that a journal lying in a folder means a
// commit that began and did not end. Its last line holds the count of
// entries and a checksum of everything before it: a journal cut while it was
// written (a power cut) does not read whole, and then no rename had begun.
constexpr const char* kCommitJournalName = "VelmUpdate.journal";

// Raised by rollForward: the destination could not be replaced (a program
// in use, a protected file). The text is the system's error.
class RenameRefused : public Error {
public:
    RenameRefused(std::string destination, const std::string& text)
        : Error(text), destination_(std::move(destination)) {}
    const std::string& destination() const { return destination_; }

private:
    std::string destination_;
};

// `folder` is "" for the current one.
void writeCommitJournal(const std::string& folder, const std::vector<CommitEntry>& entries);
// Nothing when the journal is missing or does not read whole.
std::optional<std::vector<CommitEntry>> readCommitJournal(const std::string& folder);
bool commitJournalExists(const std::string& folder);
// Removes the journal and puts the removal on disk.
void removeCommitJournal(const std::string& folder);
// The staged files and backups that a readable journal in the folder names;
// none without one. Never raises.
std::vector<std::string> namesTheJournalNeeds(const std::string& folder);

// Removes the temporary files and the commit's old copies that runs cut
// short (a power cut, a killed process) left in `folder` ("" for the
// current one): only files named exactly as ReplacementFile's temporary
// files or the backups are, now or in earlier versions, and never one that
// the commit journal lying in the folder still names. One that cannot be
// removed (another running copy writes it) stays; nothing here raises.
void removeLeftovers(const std::string& folder);

// Called after every step of a commit (a rename, a backup removed), so that
// tests can stop the process there.
using CommitStepObserver = std::function<void()>;

// Puts each entry's staged file in place, from whatever point an earlier
// attempt reached: the old file goes to its backup name first, then the
// staged file takes the destination. Raises RenameRefused.
void rollForward(const std::string& folder, const std::vector<CommitEntry>& entries,
                 const CommitStepObserver& afterStep = {});
// Brings every old file back from its backup and removes the new files and
// the staged ones, from whatever point a commit reached. False when a file
// could not be brought back (the journal must then stay). Never raises.
bool rollBack(const std::string& folder, const std::vector<CommitEntry>& entries);
// Removes the backups of a commit whose renames are all done.
void removeBackups(const std::string& folder, const std::vector<CommitEntry>& entries,
                   const CommitStepObserver& afterStep = {});

// What the start found and did about a commit a killed run left.
struct CommitRecovery {
    enum class Outcome {
        None,           // no journal
        RolledForward,  // the new files are in place
        Discarded,      // the journal was cut: the commit never began
        RolledBack,     // a file could not be replaced: the old files are back
        Failed,         // neither way went through: the journal stays for the next start
    };
    Outcome outcome = Outcome::None;
    std::size_t files = 0;
    std::string error;
};

// Finishes the commit whose journal lies in `folder`, writes what it did to
// the run log, and returns it. Run before anything else looks at the folder.
// Never raises.
CommitRecovery recoverInterruptedCommit(const std::string& folder);

}  // namespace velm
