// A stand-in updater for the tests that kill one in the middle of a commit:
// it stages the new versions of the test set in the folder it is given and
// commits them, killing itself (no clean-up, as the task manager or a power
// cut would) when the step it is given is reached. Steps count from 0, the
// moment before the journal is written. Exits with 0 when the commit ended
// before that step.
#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#endif

#include "support/CommitTestSet.h"

namespace {

[[noreturn]] void killSelf() {
#ifdef _WIN32
    TerminateProcess(GetCurrentProcess(), 9);
#else
    std::raise(SIGKILL);
#endif
    std::abort();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    const std::string folder = argv[1];
    const int stopAt = std::atoi(argv[2]);
    int step = 0;
    velm::StagedFiles staged(folder);
    velm::test::stageCommitTestSet(folder, staged);
    staged.commit([&] {
        if (step++ == stopAt) killSelf();
    });
    return 0;
}
