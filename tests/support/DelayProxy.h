#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/ServerProcess_linux.h"

namespace velm::test {

// bench/delay_proxy.py in front of a server, started by the test (Linux
// only): a link with a delay, or one whose firewall refuses chosen passive
// ports (--refuse-passive N).
class DelayProxy {
public:
    DelayProxy(int targetPort, const std::vector<std::string>& options)
        : log_(newLogFile()),
          process_(std::make_unique<ServerProcess>(words(targetPort, options), log_,
                                                   std::regex(R"(listening on (\d+))"))) {}
    ~DelayProxy() {
        process_.reset();
        std::error_code ignored;
        std::filesystem::remove(log_, ignored);
    }
    DelayProxy(const DelayProxy&) = delete;
    DelayProxy& operator=(const DelayProxy&) = delete;

    int port() const { return process_->port(); }

private:
    static std::vector<std::string> words(int targetPort, const std::vector<std::string>& options) {
        std::vector<std::string> words = {"/usr/bin/python3", VELM_DELAY_PROXY_SCRIPT,
                                          "--target-port", std::to_string(targetPort)};
        words.insert(words.end(), options.begin(), options.end());
        return words;
    }
    static std::filesystem::path newLogFile() {
        std::string name = (std::filesystem::temp_directory_path() / "velm-proxy-XXXXXX").string();
        const int fd = mkstemp(name.data());
        if (fd < 0) throw std::runtime_error("cannot start the proxy");
        close(fd);
        return name;
    }

    std::filesystem::path log_;
    std::unique_ptr<ServerProcess> process_;
};

}  // namespace velm::test
