#include <cerrno>
#include <ctime>
#include <memory>

#include "platform/EndProcess.h"
#include "platform/Process.h"

namespace velm {

namespace {

class SystemProcess : public Process {
public:
    void sleepMilliseconds(int milliseconds) override {
        if (milliseconds <= 0) return;
        timespec left{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
        while (nanosleep(&left, &left) != 0 && errno == EINTR) {
        }
    }

    [[noreturn]] void exit(int code) override { endProcessAtOnce(code); }
};

}  // namespace

template <>
std::unique_ptr<Process> makeSystemService<Process>() {
    return std::make_unique<SystemProcess>();
}

}  // namespace velm
