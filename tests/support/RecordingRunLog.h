#pragma once

#include <string>
#include <vector>

#include "platform/RunLog.h"

namespace velm::test {

// The run log as the lines it was given, installed while the object lives.
class RecordingRunLog : public RunLog {
public:
    void append(const std::string& line) noexcept override { lines.push_back(line); }

    std::vector<std::string> lines;

private:
    ScopedService<RunLog> use_{*this};
};

}  // namespace velm::test
