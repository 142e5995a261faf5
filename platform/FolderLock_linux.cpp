// flock() locks belong to the open file, not to the process (as fcntl()
// locks do), so two locks in one process exclude each other as two
// processes do, and the lock goes with the last descriptor of the file.
#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>

#include "platform/Errors.h"
#include "platform/FolderLock.h"
#include "platform/PosixErrors.h"
#include "platform/PosixFd.h"

namespace velm {

struct FolderLock::OpenFile {
    explicit OpenFile(int descriptor) : fd(descriptor) {}
    PosixFd fd;
};

FolderLock::FolderLock(const std::string& name) {
    int opened = ::open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    // A folder that takes no new file may still hold the file of an earlier run.
    if (opened < 0) opened = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (opened < 0) {
        reason_ = systemErrorMessage(windowsErrorFromErrno(errno));
        return;
    }
    auto file = std::make_unique<OpenFile>(opened);
    const PosixFd& fd = file->fd;
    int locked;
    do {
        locked = ::flock(fd.get(), LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        if (errno == EWOULDBLOCK) {
            outcome_ = Outcome::HeldByOther;
        } else {
            reason_ = systemErrorMessage(windowsErrorFromErrno(errno));
        }
        return;
    }
    file_ = std::move(file);
    outcome_ = Outcome::Held;
}

FolderLock::~FolderLock() = default;  // closing the file releases the lock

}  // namespace velm
