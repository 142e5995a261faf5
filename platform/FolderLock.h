#pragma once

#include <memory>
#include <string>

namespace velm {

// The file in the installation folder whose lock marks the updater running there.
inline constexpr const char* kFolderLockName = "VelmUpdate.lock";

// One updater per installation folder: an exclusive lock on an open file in
// the folder (relative names: the current folder), taken at once or not at
// all, held while the object lives. The system drops the lock when the
// process ends, however it ends (killed, power cut), so a copy that died
// never locks the next start. The file itself stays: removing it would let
// a later copy lock a new file of the same name while an older one still
// holds the removed one.
class FolderLock {
public:
    enum class Outcome {
        Held,         // this object holds the lock
        HeldByOther,  // another process (or another FolderLock) holds it
        Unavailable,  // the file could not be opened (see reason())
    };

    explicit FolderLock(const std::string& name = kFolderLockName);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    Outcome outcome() const { return outcome_; }
    // The system's text when the file could not be opened or locked.
    const std::string& reason() const { return reason_; }

private:
    struct OpenFile;  // the system's handle, per OS
    std::unique_ptr<OpenFile> file_;
    Outcome outcome_ = Outcome::Unavailable;
    std::string reason_;
};

}  // namespace velm
