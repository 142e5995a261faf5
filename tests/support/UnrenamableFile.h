#pragma once

#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include "support/ReadOnlyPath_linux.h"
#endif

namespace velm::test {

// A file that cannot be renamed or replaced while the object lives, as a
// program or library in use is on Windows: there it is held open without
// delete sharing; on Linux it is made immutable, which only root may do (a
// read-only mode alone does not stop a rename: that is the folder's right).
// `applied()` is false when the system would not do it.
#ifdef _WIN32
class UnrenamableFile {
public:
    explicit UnrenamableFile(const std::string& path)
        : handle_(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~UnrenamableFile() {
        if (applied()) CloseHandle(handle_);
    }
    UnrenamableFile(const UnrenamableFile&) = delete;
    UnrenamableFile& operator=(const UnrenamableFile&) = delete;
    bool applied() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};
#else
class UnrenamableFile {
public:
    explicit UnrenamableFile(const std::string& path) : path_(path) {}
    bool applied() const { return geteuid() == 0 && path_.applied(); }

private:
    ReadOnlyPath path_;
};
#endif

}  // namespace velm::test
