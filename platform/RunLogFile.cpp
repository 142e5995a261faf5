#include "platform/RunLogFile.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/FileSystem.h"

namespace velm {

RunLogFile::RunLogFile(std::string name, long long bound) : name_(std::move(name)), bound_(bound) {}

RunLogFile::~RunLogFile() {
    close();
}

void RunLogFile::append(const std::string& line) noexcept {
    if (!file_ && !open()) return;
    if (size_ > bound_ && !rotate()) return;
    const long long whole = size_;  // the file ends with a whole line here
    try {
        const std::string text = line + "\r\n";
        const std::size_t written = std::fwrite(text.data(), 1, text.size(), file_);
        size_ += static_cast<long long>(written);
        if (written != text.size() || std::fflush(file_) != 0) {
            // A full disk: drop what is buffered and what reached the file of
            // this line, so that a later line does not carry half of it.
            close();
            const std::filesystem::path native = fileSystem().nativePath(name_);
            std::error_code failed;
            const auto reached = std::filesystem::file_size(native, failed);
            if (!failed && static_cast<long long>(reached) > whole)
                std::filesystem::resize_file(native, static_cast<std::uintmax_t>(whole), failed);
        }
    } catch (...) {
    }
}

bool RunLogFile::open() noexcept {
    try {
        file_ = std::fopen(fileSystem().nativePath(name_).c_str(), "ab");
    } catch (...) {
        file_ = nullptr;
    }
    if (!file_) return false;
    // In append mode every write goes to the end; the end is the size so far.
    const long end = std::fseek(file_, 0, SEEK_END) == 0 ? std::ftell(file_) : -1;
    size_ = end >= 0 ? end : bound_ + 1;
    return true;
}

void RunLogFile::close() noexcept {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    size_ = 0;
}

// When the rename fails (a read-only folder) the line is lost rather than
// the bound.
bool RunLogFile::rotate() noexcept {
    close();
    try {
        fileSystem().replaceFile(name_, name_ + ".1");
    } catch (...) {
        return false;
    }
    return open();
}

}  // namespace velm
