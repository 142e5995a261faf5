#pragma once

#include <cstdlib>
#include <string>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace velm::test {

enum class ChildEnd { Exited, Killed, Failed };

// Runs a program (a command line without shell syntax) and waits for it:
// whether it ended by itself with code 0, was killed (SIGKILL; on Windows
// terminated with code 9), or failed otherwise.
inline ChildEnd runChild(const std::string& commandLine) {
    const int status = std::system(commandLine.c_str());
#ifdef _WIN32
    if (status == 9) return ChildEnd::Killed;
    return status == 0 ? ChildEnd::Exited : ChildEnd::Failed;
#else
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) return ChildEnd::Killed;
    if (!WIFEXITED(status)) return ChildEnd::Failed;
    if (WEXITSTATUS(status) == 128 + SIGKILL) return ChildEnd::Killed;  // told by the shell
    return WEXITSTATUS(status) == 0 ? ChildEnd::Exited : ChildEnd::Failed;
#endif
}

}  // namespace velm::test
