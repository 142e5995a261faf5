#pragma once

#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>

namespace velm::test {

// A new, empty, uniquely named folder below the system's temporary folder,
// removed with everything in it when the object goes. With Enter::Yes it is
// also the current directory meanwhile; the previous one is restored first.
class TempFolder {
public:
    enum class Enter { No, Yes };

    explicit TempFolder(Enter enter = Enter::No) {
        std::random_device random;
        const auto base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100; ++attempt) {
            auto candidate = base / ("velm-test-" + std::to_string(random()));
            if (std::filesystem::create_directory(candidate)) {
                path_ = candidate;
                break;
            }
        }
        if (path_.empty()) throw std::runtime_error("cannot create a temporary test folder");
        if (enter == Enter::Yes) {
            previous_ = std::filesystem::current_path();
            std::filesystem::current_path(path_);
        }
    }

    ~TempFolder() {
        std::error_code ignored;
        if (!previous_.empty()) std::filesystem::current_path(previous_, ignored);
        std::filesystem::remove_all(path_, ignored);
    }

    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The folder's name as the program's file functions take it.
    std::string name() const { return path_.string(); }
    // A name inside the folder ("sub/file.txt" style, any separator).
    std::string operator/(const std::string& relative) const { return name() + "/" + relative; }

private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
};

}  // namespace velm::test
