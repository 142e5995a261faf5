#pragma once

#include <functional>
#include <memory>
#include <string>

namespace velm {

// The file in the installation folder whose lock marks the updater running there.
inline constexpr const char* kFolderLockName = "VelmUpdate.lock";

// One updater per installation folder: an exclusive lock on an open file in
// the folder (relative names: the current folder), taken at once or not at
// all, held while the object lives. The system drops the lock when the
// process ends, however it ends (killed, power cut), so a copy that died
// never locks the next start.
//
// A lock guards the folder only while the name leads to the locked file:
// once locked, the file is checked to be the one the name points to, and
// another attempt is made when it is not (it was removed or replaced
// meanwhile; Linux lets any program do that, Windows not while the file is
// open here, since it is opened without delete sharing). So the holder
// removes the file as it ends, and a start that changes nothing leaves the
// folder as it found it.
class FolderLock {
public:
    enum class Outcome {
        Held,         // this object holds the lock
        HeldByOther,  // another process (or another FolderLock) holds it
        Unavailable,  // the file could not be opened (see reason())
    };

    // `afterOpen` runs between opening the file and locking it (tests
    // change the file there).
    explicit FolderLock(const std::string& name = kFolderLockName,
                        const std::function<void()>& afterOpen = {});
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    Outcome outcome() const { return outcome_; }
    // The system's text when the file could not be opened or locked.
    const std::string& reason() const { return reason_; }

private:
    struct OpenFile;  // the system's handle, per OS
    std::string name_;
    std::unique_ptr<OpenFile> file_;
    Outcome outcome_ = Outcome::Unavailable;
    std::string reason_;
};

}  // namespace velm
