#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace velm::test {

// bench/delay_proxy.py in front of a server, started by the test (Linux
// only): a link with a delay, or one whose firewall refuses chosen passive
// ports (--refuse-passive N).
class DelayProxy {
public:
    DelayProxy(int targetPort, const std::vector<std::string>& options) {
        int out[2];
        if (pipe(out) != 0) throw std::runtime_error("cannot start the proxy");
        std::vector<std::string> words = {"python3", VELM_DELAY_PROXY_SCRIPT, "--target-port",
                                          std::to_string(targetPort)};
        words.insert(words.end(), options.begin(), options.end());
        pid_ = fork();
        if (pid_ < 0) throw std::runtime_error("cannot start the proxy");
        if (pid_ == 0) {
            dup2(out[1], 1);
            close(out[0]);
            std::vector<char*> argv;
            for (std::string& w : words) argv.push_back(w.data());
            argv.push_back(nullptr);
            execv("/usr/bin/python3", argv.data());
            _exit(127);
        }
        close(out[1]);
        FILE* lines = fdopen(out[0], "r");
        char line[128] = {};
        if (!lines || !std::fgets(line, sizeof line, lines) ||
            std::sscanf(line, "listening on %d", &port_) != 1) {
            if (lines) std::fclose(lines);
            stop();
            throw std::runtime_error("the proxy did not start");
        }
        std::fclose(lines);
    }
    ~DelayProxy() { stop(); }
    DelayProxy(const DelayProxy&) = delete;
    DelayProxy& operator=(const DelayProxy&) = delete;

    int port() const { return port_; }

private:
    void stop() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        pid_ = 0;
    }

    pid_t pid_ = 0;
    int port_ = 0;
};

}  // namespace velm::test
