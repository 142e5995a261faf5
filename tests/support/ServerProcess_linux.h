#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "support/FileBytes.h"

namespace velm::test {

// A server program started by a test (Linux only): its output goes to a log
// file, and it is up once a line of that log matches `started`, whose first
// group is the port it took. Stopped with SIGTERM when the object goes.
class ServerProcess {
public:
    ServerProcess(std::vector<std::string> words, std::filesystem::path log,
                  const std::regex& started)
        : log_(std::move(log)) {
        const std::string what = words.front();
        pid_ = fork();
        if (pid_ < 0) throw std::runtime_error("cannot start " + what);
        if (pid_ == 0) {
            const int out = open(log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(out, 1);
            dup2(out, 2);
            std::vector<char*> argv;
            for (std::string& w : words) argv.push_back(w.data());
            argv.push_back(nullptr);
            execvp(argv[0], argv.data());
            _exit(127);
        }
        for (int i = 0; i < 400 && port_ == 0; ++i) {
            std::smatch found;
            const std::string text = readFileBytes(log_);
            if (std::regex_search(text, found, started))
                port_ = std::stoi(found[1]);
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        if (port_ == 0) {
            stop();
            throw std::runtime_error(what + " did not start: " + readFileBytes(log_));
        }
    }
    ~ServerProcess() { stop(); }
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    int port() const { return port_; }
    const std::filesystem::path& log() const { return log_; }

private:
    void stop() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        pid_ = 0;
    }

    std::filesystem::path log_;
    pid_t pid_ = 0;
    int port_ = 0;
};

}  // namespace velm::test
