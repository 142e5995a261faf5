// LockFileEx locks belong to the handle, so two locks in one process exclude
// each other as two processes do. The file is opened to read and write
// shared, so that a virus scanner or a backup reading it does not pass for
// a second updater (only the lock decides), but not to delete: nobody can
// remove or replace it while a copy has it open.
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

constexpr int kAttempts = 20;

HANDLE openShared(const std::string& name, DWORD access) {
    return CreateFileA(name.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool sameFile(HANDLE a, HANDLE b) {
    BY_HANDLE_FILE_INFORMATION x, y;
    return GetFileInformationByHandle(a, &x) && GetFileInformationByHandle(b, &y) &&
           x.dwVolumeSerialNumber == y.dwVolumeSerialNumber &&
           x.nFileIndexHigh == y.nFileIndexHigh && x.nFileIndexLow == y.nFileIndexLow;
}

// True while `name` leads to the file open as `handle`.
bool namesTheOpenFile(const std::string& name, HANDLE handle) {
    const WindowsHandle named(CreateFileA(name.c_str(), FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return named.valid() && sameFile(named.get(), handle);
}

}  // namespace

FolderLock::FolderLock(const std::string& name, const std::function<void()>& afterOpen)
    : name_(name) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        HANDLE opened = openShared(name, GENERIC_READ | GENERIC_WRITE);
        // A folder that takes no new file may still hold the file of an earlier run.
        if (opened == INVALID_HANDLE_VALUE) opened = openShared(name, GENERIC_READ);
        if (opened == INVALID_HANDLE_VALUE) {
            const DWORD code = GetLastError();
            // Removed by a holder that ended while another program (a
            // virus scanner) still reads it: gone once that one closes it.
            if (code == ERROR_ACCESS_DENIED && attempt + 1 < kAttempts) {
                Sleep(50);
                continue;
            }
            reason_ = systemErrorMessage(code);
            return;
        }
        auto file = std::make_unique<OpenFile>(opened);
        if (afterOpen) afterOpen();
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
        if (!namesTheOpenFile(name, file->handle.get())) continue;
        file_ = std::move(file);
        outcome_ = Outcome::Held;
        return;
    }
    reason_ = "the lock file keeps being replaced";
}

// Closed first (which releases the lock), then removed: a copy that opened
// it meanwhile keeps it (its handle refuses the removal), and one that
// comes later makes a new one.
FolderLock::~FolderLock() {
    if (!file_) return;
    file_.reset();
    DeleteFileA(name_.c_str());
}

}  // namespace velm
