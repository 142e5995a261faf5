#pragma once

#include <windows.h>

#include <utility>

namespace velm {

// A kernel handle closed when it goes (Windows only).
class WindowsHandle {
public:
    explicit WindowsHandle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
    ~WindowsHandle() { reset(); }
    WindowsHandle(const WindowsHandle&) = delete;
    WindowsHandle& operator=(const WindowsHandle&) = delete;
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    HANDLE release() { return std::exchange(h_, INVALID_HANDLE_VALUE); }
    void reset() {
        if (valid()) CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE h_;
};

}  // namespace velm
