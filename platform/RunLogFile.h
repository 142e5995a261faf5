#pragma once

#include <cstdio>
#include <string>

#include "platform/RunLog.h"

namespace velm {

inline constexpr const char* kRunLogName = "VelmUpdate.log";
// Past this size the log becomes "<name>.1" (replacing an older one) and a
// new one begins, so the folder holds about twice this at most.
inline constexpr long long kRunLogBound = 1024 * 1024;

// The program's run log: lines appended, each ending with CR LF, to a file
// in the working folder that stays open while the program runs (a shop's
// virus scanner makes every open expensive) and is flushed after each line,
// so that a process that ends at once loses nothing. A file that cannot be
// opened, renamed or written loses the line and nothing else; the next line
// tries again.
class RunLogFile : public RunLog {
public:
    explicit RunLogFile(std::string name = kRunLogName, long long bound = kRunLogBound);
    ~RunLogFile() override;
    RunLogFile(const RunLogFile&) = delete;
    RunLogFile& operator=(const RunLogFile&) = delete;

    void append(const std::string& line) noexcept override;

private:
    bool open() noexcept;
    void close() noexcept;
    bool rotate() noexcept;

    std::string name_;
    long long bound_;
    std::FILE* file_ = nullptr;
    long long size_ = 0;  // of the open file, as far as this process wrote it
};

}  // namespace velm
