// flock() locks belong to the open file, not to the process (as fcntl()
// locks do), so two locks in one process exclude each other as two
// processes do, and the lock goes with the last descriptor of the file.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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

namespace {

// Attempts before giving up on a file that keeps changing under us.
constexpr int kAttempts = 20;

// True while `name` leads to the file open as `fd`.
bool namesTheOpenFile(const std::string& name, int fd) {
    struct stat open, named;
    return ::fstat(fd, &open) == 0 && ::stat(name.c_str(), &named) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

}  // namespace

FolderLock::FolderLock(const std::string& name, const std::function<void()>& afterOpen)
    : name_(name) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        int opened = ::open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        // A folder that takes no new file may still hold the file of an earlier run.
        if (opened < 0) opened = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
        if (opened < 0) {
            reason_ = systemErrorMessage(windowsErrorFromErrno(errno));
            return;
        }
        auto file = std::make_unique<OpenFile>(opened);
        if (afterOpen) afterOpen();
        int locked;
        do {
            locked = ::flock(file->fd.get(), LOCK_EX | LOCK_NB);
        } while (locked != 0 && errno == EINTR);
        if (locked != 0) {
            if (errno == EWOULDBLOCK) {
                outcome_ = Outcome::HeldByOther;
            } else {
                reason_ = systemErrorMessage(windowsErrorFromErrno(errno));
            }
            return;
        }
        // Removed or replaced between the open and the lock (a holder that
        // ended removes it): this lock guards nothing, so again.
        if (!namesTheOpenFile(name, file->fd.get())) continue;
        file_ = std::move(file);
        outcome_ = Outcome::Held;
        return;
    }
    reason_ = "the lock file keeps being replaced";
}

// Removed while still locked, so that whoever opened it meanwhile finds,
// once it has the lock, that the name leads elsewhere; then unlocked.
FolderLock::~FolderLock() {
    if (file_ && namesTheOpenFile(name_, file_->fd.get())) ::unlink(name_.c_str());
}

}  // namespace velm
