#pragma once

#include <chrono>
#include <filesystem>
#include <system_error>
#include <thread>

namespace velm::test {

// Lets test processes take turns on a shared server: holds a lock folder
// for as long as it lives. A holder that crashed leaves the folder behind;
// after a minute the next one goes ahead anyway.
class ServerTurn {
public:
    explicit ServerTurn(std::filesystem::path lock) : lock_(std::move(lock)) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        std::error_code error;
        while (!std::filesystem::create_directory(lock_, error)) {
            if (std::chrono::steady_clock::now() > deadline) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        held_ = true;
    }
    ~ServerTurn() {
        std::error_code ignored;
        if (held_) std::filesystem::remove(lock_, ignored);
    }
    ServerTurn(const ServerTurn&) = delete;
    ServerTurn& operator=(const ServerTurn&) = delete;

private:
    std::filesystem::path lock_;
    bool held_ = false;
};

}  // namespace velm::test
