#pragma once

#include <string>
#include <vector>

#include "platform/Shell.h"

namespace velm::test {

// A shell that starts nothing and keeps what it was asked to open or start.
class RecordingShell : public Shell {
public:
    bool openAddress(const std::string& address) override {
        opened.push_back(address);
        return true;
    }
    bool startProgram(const std::string& commandLine) override {
        started.push_back(commandLine);
        return true;
    }
    std::vector<std::string> opened, started;
};

}  // namespace velm::test
