#include <windows.h>

#include <memory>

#include "platform/EndProcess.h"
#include "platform/Process.h"

namespace velm {

namespace {

class SystemProcess : public Process {
public:
    void sleepMilliseconds(int milliseconds) override {
        if (milliseconds > 0) Sleep(static_cast<DWORD>(milliseconds));
    }

    [[noreturn]] void exit(int code) override { endProcessAtOnce(code); }
};

}  // namespace

template <>
std::unique_ptr<Process> makeSystemService<Process>() {
    return std::make_unique<SystemProcess>();
}

}  // namespace velm
