// LockFileEx locks belong to the handle, so two locks in one process exclude
// each other as two processes do. The file is opened with full sharing: a
// virus scanner or a backup reading it must not pass for a second updater;
// only the lock decides.
#include <windows.h>

#include "platform/Errors.h"
#include "platform/FolderLock.h"
#include "platform/WindowsHandle.h"

namespace velm {

struct FolderLock::OpenFile {
    explicit OpenFile(HANDLE h) : handle(h) {}
    WindowsHandle handle;
};

namespace {

HANDLE openShared(const std::string& name, DWORD access) {
    return CreateFileA(name.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

FolderLock::FolderLock(const std::string& name) {
    HANDLE opened = openShared(name, GENERIC_READ | GENERIC_WRITE);
    // A folder that takes no new file may still hold the file of an earlier run.
    if (opened == INVALID_HANDLE_VALUE) opened = openShared(name, GENERIC_READ);
    if (opened == INVALID_HANDLE_VALUE) {
        reason_ = systemErrorMessage(GetLastError());
        return;
    }
    auto file = std::make_unique<OpenFile>(opened);
    OVERLAPPED whole{};
    if (!LockFileEx(file->handle.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0,
                    MAXDWORD, MAXDWORD, &whole)) {
        const DWORD code = GetLastError();
        if (code == ERROR_LOCK_VIOLATION || code == ERROR_IO_PENDING)
            outcome_ = Outcome::HeldByOther;
        else
            reason_ = systemErrorMessage(code);
        return;
    }
    file_ = std::move(file);
    outcome_ = Outcome::Held;
}

// Closing the handle releases the lock (the system does the same for a
// process that ends without closing it).
FolderLock::~FolderLock() = default;

}  // namespace velm
