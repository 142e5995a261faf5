// Starting programs without a shell: the command line is split with the
// Windows rules and the program started directly, so "*.exe" reaches it as
// written. Nothing waits for the program; one small thread per start collects
// its exit status so that no zombie is left behind.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/AnsiCodePage.h"
#include "platform/CommandLine.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/Shell.h"

extern char** environ;

namespace velm {

namespace {

// Starts `argv` (UTF-8), searching PATH when the program has no folder part.
bool spawnDetached(const std::vector<std::string>& argv) {
    std::vector<char*> pointers;
    for (const auto& a : argv) pointers.push_back(const_cast<char*>(a.c_str()));
    pointers.push_back(nullptr);

    posix_spawnattr_t attr;
    if (posix_spawnattr_init(&attr) != 0) return false;
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSID);
    pid_t pid;
    const int rc = posix_spawnp(&pid, pointers[0], nullptr, &attr, pointers.data(), environ);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) return false;
    std::thread([pid] {
        int status;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}

class PosixShell : public Shell {
public:
    bool openAddress(const std::string& address) override {
        try {
            return spawnDetached({"xdg-open", ansiToUtf8(address)});
        } catch (const Error&) {
            return false;
        }
    }

    bool startProgram(const std::string& commandLine) override {
        try {
            const std::vector<std::string> args = splitCommandLine(commandLine);
            if (args.empty() || args[0].empty()) return false;
            std::vector<std::string> argv;
            // Like Windows, a bare name is looked for in the current folder
            // before the search path; names with a folder part are found
            // case-insensitively.
            const bool hasFolder = args[0].find_first_of("\\/") != std::string::npos;
            if (hasFolder)
                argv.push_back(fileSystem().nativePath(args[0]));
            else if (fileSystem().fileExists(args[0]))
                argv.push_back("./" + fileSystem().nativePath(args[0]));
            else
                argv.push_back(ansiToUtf8(args[0]));
            for (std::size_t i = 1; i < args.size(); ++i) argv.push_back(ansiToUtf8(args[i]));
            return spawnDetached(argv);
        } catch (const Error&) {
            return false;
        }
    }
};

}  // namespace

template <>
std::unique_ptr<Shell> makeSystemService<Shell>() {
    return std::make_unique<PosixShell>();
}

}  // namespace velm
