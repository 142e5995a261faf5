#pragma once

#include <cstdint>
#include <string>

#include "platform/Errors.h"

namespace velm {

// An error of the FTP client that is not a socket failure: "Not Connected",
// "A Host is required", a line longer than the client accepts, ...
class FtpError : public Error {
public:
    using Error::Error;
};

// The server answered with a reply the command does not accept. The message
// is the reply's text, the code its number.
class EFtpReplyError : public FtpError {
public:
    EFtpReplyError(int code, const std::string& text) : FtpError(text), code_(code) {}
    int ErrorCode() const { return code_; }

private:
    int code_;
};

// Get without overwrite found the local file already there.
class EFtpFileAlreadyExists : public FtpError {
public:
    EFtpFileAlreadyExists() : FtpError("Destination file already exists.") {}
};

// A read on the control connection found it closed by the server.
class EFtpConnectionClosed : public FtpError {
public:
    EFtpConnectionClosed() : FtpError("Connection Closed Gracefully.") {}
};

// A download delivered more bytes than the size given for it: the transfer
// was stopped there.
class EFtpOversizedDownload : public FtpError {
public:
    EFtpOversizedDownload(const std::string& file, std::int64_t announced)
        : FtpError("The server sent more than the " + std::to_string(announced) +
                   " bytes it announced for " + file + "."),
          announced_(announced) {}
    std::int64_t AnnouncedSize() const { return announced_; }

private:
    std::int64_t announced_;
};

// A listing line whose fields do not form a valid entry.
class EFtpListingError : public FtpError {
public:
    using FtpError::FtpError;
};

}  // namespace velm
