#pragma once

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

}  // namespace velm
