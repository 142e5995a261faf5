#pragma once

#include <stdexcept>
#include <string>

namespace velm {

// Every error the program raises carries the text the operator sees, as ANSI
// (Windows-1252) bytes, like every other string of the core.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file could not be read, written, found or changed. `code` is the Windows
// error code of the system call that failed, 0 when none did.
class FileError : public Error {
public:
    explicit FileError(const std::string& text, unsigned long code = 0)
        : Error(text), code_(code) {}
    unsigned long code() const { return code_; }

private:
    unsigned long code_;
};

// An operating-system call failed; `code` is the Windows error code (or the
// nearest one on other systems) and the text is the system's message for it.
class OsError : public Error {
public:
    OsError(unsigned long code, const std::string& text) : Error(text), code_(code) {}
    unsigned long code() const { return code_; }

private:
    unsigned long code_;
};

// The system's message text for a Windows error code ("The system cannot find
// the file specified." for 2). Implemented per operating system.
std::string systemErrorMessage(unsigned long code);

// An OsError for a Windows error code, with the system's message for it.
inline OsError osError(unsigned long code) {
    return OsError(code, systemErrorMessage(code));
}

}  // namespace velm
