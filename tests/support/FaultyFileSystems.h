#pragma once

#include <cstddef>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/FileErrors.h"
#include "support/DelegatingFileSystem.h"

namespace velm::test {

// A disk that fills up: files created from now on take `room` bytes in all,
// then every write fails as the system's does on a full disk (code 112).
class FullDiskFileSystem : public DelegatingFileSystem {
public:
    explicit FullDiskFileSystem(std::size_t room) : room_(room) {}

    std::unique_ptr<OutputFile> createFile(const std::string& name) override {
        return std::make_unique<File>(DelegatingFileSystem::createFile(name), name, room_);
    }

private:
    class File : public OutputFile {
    public:
        File(std::unique_ptr<OutputFile> real, std::string name, std::size_t& room)
            : real_(std::move(real)), name_(std::move(name)), room_(room) {}
        void write(const char* data, std::size_t size) override {
            if (size > room_) throw fileError("Cannot write file", name_, 112);
            room_ -= size;
            real_->write(data, size);
        }
        void close() override { real_->close(); }

    private:
        std::unique_ptr<OutputFile> real_;
        std::string name_;
        std::size_t& room_;
    };

    std::size_t room_;
};

// Records the calls that make temporary files, rename and delete, in order;
// the names in `inUse` cannot be deleted (another program holds them open).
class RecordingFileSystem : public DelegatingFileSystem {
public:
    std::vector<std::string> calls;
    std::set<std::string> inUse;

    std::string createTemporaryFile(const std::string& folder, const std::string& prefix) override {
        const std::string name = DelegatingFileSystem::createTemporaryFile(folder, prefix);
        calls.push_back("temporary " + extractFileName(name));
        return name;
    }
    void replaceFile(const std::string& from, const std::string& to) override {
        calls.push_back("replace " + extractFileName(from) + " " + to);
        DelegatingFileSystem::replaceFile(from, to);
    }
    bool deleteFile(const std::string& name) override {
        calls.push_back("delete " + name);
        if (inUse.count(extractFileName(name))) return false;
        return DelegatingFileSystem::deleteFile(name);
    }
};

}  // namespace velm::test
