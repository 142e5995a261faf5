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

// A real FTP server (pyftpdlib) started by the test over a folder of its
// own, on a port it picks, logging every command it receives. Linux only.
class PyftpdlibServer {
public:
    PyftpdlibServer(const std::filesystem::path& root, const std::string& user,
                    const std::string& password)
        : log_(root.parent_path() / (root.filename().string() + "-pyftpdlib.log")) {
        pid_ = fork();
        if (pid_ < 0) throw std::runtime_error("cannot start pyftpdlib");
        if (pid_ == 0) {
            const int out = open(log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(out, 1);
            dup2(out, 2);
            execl("/usr/bin/python3", "python3", "-m", "pyftpdlib", "-i", "127.0.0.1", "-p", "0",
                  "-u", user.c_str(), "-P", password.c_str(), "-d", root.c_str(), "-D",
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        const std::regex started(R"(starting FTP server on 127\.0\.0\.1:(\d+))");
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
            throw std::runtime_error("pyftpdlib did not start: " + readFileBytes(log_));
        }
    }
    ~PyftpdlibServer() { stop(); }
    PyftpdlibServer(const PyftpdlibServer&) = delete;
    PyftpdlibServer& operator=(const PyftpdlibServer&) = delete;

    int port() const { return port_; }

    // Every command line the server logged ("SIZE a.exe"; PASS masked).
    std::vector<std::string> commands() const {
        std::vector<std::string> found;
        const std::string text = readFileBytes(log_);
        const std::string marker = "] <- ";
        for (std::size_t at = text.find(marker); at != std::string::npos;
             at = text.find(marker, at + 1)) {
            const std::size_t end = text.find('\n', at);
            found.push_back(text.substr(at + marker.size(), end - at - marker.size()));
        }
        return found;
    }

    // The commands beginning with `verb`.
    std::vector<std::string> commands(const std::string& verb) const {
        std::vector<std::string> found;
        for (const std::string& c : commands())
            if (c.rfind(verb, 0) == 0) found.push_back(c);
        return found;
    }

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
