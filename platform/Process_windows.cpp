#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>

#include "platform/Process.h"

namespace velm {

namespace {

class SystemProcess : public Process {
public:
    void sleepMilliseconds(int milliseconds) override {
        if (milliseconds > 0) Sleep(static_cast<DWORD>(milliseconds));
    }

    // Ends the process at once, as the program's callers expect: no destructor
    // or atexit handler runs (windows, database connections and the message
    // loop are in the middle of their work and must not be torn down from
    // here); only the buffered output streams are flushed so nothing written
    // is lost.
    [[noreturn]] void exit(int code) override {
        std::cout.flush();
        std::cerr.flush();
        std::fflush(nullptr);
        std::_Exit(code);
    }
};

}  // namespace

template <>
std::unique_ptr<Process> makeSystemService<Process>() {
    return std::make_unique<SystemProcess>();
}

}  // namespace velm
