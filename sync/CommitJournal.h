#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Errors.h"
#include "signing/Sha256Hasher.h"

namespace velm {

// One file of a commit; the three are names in the commit's folder.
struct CommitEntry {
    std::string destination;
    std::string staged;  // the new contents, whole and on disk
    std::string backup;  // where the old file waits; "" for a new file
    // The new contents' size and SHA-256: a destination holds its new
    // contents only when it has both, so that the old file's backup is
    // never removed while it may still be the only copy.
    std::int64_t size = 0;
    Sha256Digest digest{};
};

// Which way the commit goes: forward until a rename is refused (or the next
// start finds a destination without its new contents), then back.
enum class CommitDirection { Forward, Back };

// The journal of a commit: written and put on disk before the first rename,
// removed after the last step, so that a journal lying in a folder means a
// commit that began and did not end. Its last line holds the count of
// entries and a checksum of everything before it: a journal cut while it was
// written (a power cut) does not read whole, and then no rename had begun.
constexpr const char* kCommitJournalName = "VelmUpdate.journal";
// The journal's next version, renamed over it once whole and on disk. A
// name of its own, never a temporary file's: after a power cut a staged
// file the journal lists may be missing, and a temporary file made then
// could take its name and pass for it.
constexpr const char* kNextCommitJournalName = "VelmUpdate.journal.new";

// Raised by rollForward: the destination could not be replaced (a program
// in use, a protected file, a stray file under the backup's name). The text
// is the system's error.
class RenameRefused : public Error {
public:
    RenameRefused(std::string destination, const std::string& text)
        : Error(text), destination_(std::move(destination)) {}
    const std::string& destination() const { return destination_; }

private:
    std::string destination_;
};

// `folder` is "" for the current one. The journal is created in place: one
// cut while it is written does not read whole.
void writeCommitJournal(const std::string& folder, const std::vector<CommitEntry>& entries,
                        CommitDirection direction = CommitDirection::Forward);
// Records, on disk before it returns, that the commit is being undone: the
// journal is replaced in one rename by one that says so. Raises FileError.
void markCommitGoingBack(const std::string& folder, const std::vector<CommitEntry>& entries);

// A journal as the next start finds it.
struct CommitJournalRead {
    enum class State {
        Missing,
        Cut,      // does not read whole: written when the power went, no rename began
        Refused,  // reads whole but names what no commit of ours names (see refusal)
        Whole,
    };
    State state = State::Missing;
    CommitDirection direction = CommitDirection::Forward;
    std::vector<CommitEntry> entries;
    std::string refusal;  // the first entry refused, and why
};
CommitJournalRead readCommitJournal(const std::string& folder);

// Why a journal's entries are none a commit of ours writes, or nothing:
// every destination must be a name of the folder and none of the
// updater's own (the public key only where it replaces one, as a signed
// list's new key does), every staged file and backup must have the shape
// of ours, and no name may stand twice.
std::optional<std::string> journalEntriesFault(const std::vector<CommitEntry>& entries);

bool commitJournalExists(const std::string& folder);
// Puts the folder's changes so far on disk, then removes the journal and
// puts the removal on disk. Raises FileError.
void removeCommitJournal(const std::string& folder);
// The staged files and backups that a journal in the folder, whole and
// accepted, names; none without one. Never raises.
std::vector<std::string> namesTheJournalNeeds(const std::string& folder);

// A name for the old file of `destination`'s commit, of the backups' own
// shape ("~vb", twelve hexadecimal digits, ".tmp"), that no entry of
// `folder` has now. The rename to it refuses to replace anything, so a
// file that takes the name meanwhile is never taken for the backup.
std::string chooseBackupName(const std::string& folder);
// True for a backup name of this version (chooseBackupName's shape).
bool isBackupFileName(const std::string& name);

// The size and digest of the entry's staged file, read from the folder.
void measureNewContents(const std::string& folder, CommitEntry& entry);
// True when the entry's destination has exactly its new contents.
bool holdsNewContents(const std::string& folder, const CommitEntry& entry);

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
// attempt reached: the old file goes to its backup name first (never over
// a file of that name), then the staged file takes the destination.
// Raises RenameRefused.
void rollForward(const std::string& folder, const std::vector<CommitEntry>& entries,
                 const CommitStepObserver& afterStep = {});
// Brings every old file back from its backup and removes the new files and
// the staged ones, from whatever point a commit or a rollback reached.
// False when a file could not be brought back (the journal must then
// stay). Never raises.
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
        RolledBack,     // a file could not be replaced, or the commit was going back: the old files are back
        Refused,        // the journal names what no commit of ours does: removed, nothing else touched
        Failed,         // neither way went through: the journal stays for the next start
    };
    Outcome outcome = Outcome::None;
    std::size_t files = 0;
    std::string error;
};

// Finishes the commit whose journal lies in `folder`, writes what it did to
// the run log, and returns it. Run before anything else looks at the
// folder, and only by the copy that holds the folder's lock. Never raises.
CommitRecovery recoverInterruptedCommit(const std::string& folder);

// The operator's box for a journal the start refused.
std::string refusedJournalText(const CommitRecovery& recovery);

}  // namespace velm
