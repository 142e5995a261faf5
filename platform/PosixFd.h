#pragma once

#include <unistd.h>

#include <utility>

namespace velm {

// A file descriptor closed when it goes (POSIX only).
class PosixFd {
public:
    explicit PosixFd(int fd = -1) : fd_(fd) {}
    ~PosixFd() { reset(); }
    PosixFd(const PosixFd&) = delete;
    PosixFd& operator=(const PosixFd&) = delete;
    PosixFd(PosixFd&& other) noexcept : fd_(other.release()) {}
    PosixFd& operator=(PosixFd&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = other.release();
        }
        return *this;
    }
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }
    void reset() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
};

}  // namespace velm
