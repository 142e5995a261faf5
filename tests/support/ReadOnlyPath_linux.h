#pragma once

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace velm::test {

// A file or folder that nobody may change while the object lives, root
// included: mode 0444/0555 and, since root ignores modes, the immutable
// flag. `applied()` is false when the file system refuses the flag to root.
class ReadOnlyPath {
public:
    explicit ReadOnlyPath(std::string path) : path_(std::move(path)) {
        struct stat st {};
        if (stat(path_.c_str(), &st) != 0) return;
        mode_ = st.st_mode & 07777;
        chmod(path_.c_str(), S_ISDIR(st.st_mode) ? 0555 : 0444);
        applied_ = geteuid() != 0 || setImmutable(true);
    }
    ~ReadOnlyPath() {
        if (geteuid() == 0) setImmutable(false);
        if (mode_) chmod(path_.c_str(), mode_);
    }
    ReadOnlyPath(const ReadOnlyPath&) = delete;
    ReadOnlyPath& operator=(const ReadOnlyPath&) = delete;

    bool applied() const { return applied_; }

private:
    bool setImmutable(bool on) {
        const int fd = open(path_.c_str(), O_RDONLY | O_NONBLOCK);
        if (fd < 0) return false;
        int flags = 0;
        bool done = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (done) {
            flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
            done = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        close(fd);
        return done;
    }

    std::string path_;
    mode_t mode_ = 0;
    bool applied_ = false;
};

}  // namespace velm::test
