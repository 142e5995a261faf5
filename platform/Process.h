#pragma once

#include <vector>

#include "platform/Service.h"

namespace velm {

class Process {
public:
    virtual ~Process() = default;
    virtual void sleepMilliseconds(int milliseconds) = 0;
    // Ends the process at once with the code; a test replacement records the
    // code and throws ProcessExit instead of returning.
    [[noreturn]] virtual void exit(int code) = 0;
};

inline Process& process() { return Service<Process>::get(); }

// Thrown by test replacements of Process::exit.
struct ProcessExit {
    int code;
};

// Test replacement: keeps the sleeps asked for (without sleeping) and throws
// ProcessExit from exit().
class RecordingProcess : public Process {
public:
    void sleepMilliseconds(int milliseconds) override { sleeps.push_back(milliseconds); }
    [[noreturn]] void exit(int code) override { throw ProcessExit{code}; }

    std::vector<int> sleeps;
};

}  // namespace velm
