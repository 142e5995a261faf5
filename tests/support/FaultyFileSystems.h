#pragma once

#include <cstddef>
#include <functional>
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

// Refuses the renames `refused` picks (by the names' file parts), as a
// program holding a file open refuses them: a sharing violation (code 32).
class RefusingRenames : public DelegatingFileSystem {
public:
    using Pick = std::function<bool(const std::string& from, const std::string& to)>;
    explicit RefusingRenames(Pick refused) : refused_(std::move(refused)) {}

    void replaceFile(const std::string& from, const std::string& to) override {
        if (refused_(extractFileName(from), extractFileName(to)))
            throw fileError("Cannot rename file", to, 32);
        DelegatingFileSystem::replaceFile(from, to);
    }

private:
    Pick refused_;
};

// Thrown by KillableFileSystem where the process would have been killed:
// no Error, so that nothing on the way catches it as a failure to handle.
struct Killed {};

// Passes every call on until it is armed and `survives` more changes to
// the folder (a file created, renamed or deleted) were made; from then on
// every change throws Killed (a delete fails) and changes nothing, as if
// the process had died there.
template <class Base = DelegatingFileSystem>
class KillableFileSystem : public Base {
public:
    using Base::Base;
    void arm(int survives) { left_ = survives; }
    // The last change allowed was made (and any later one refused).
    bool killed() const { return left_ == 0; }

    std::unique_ptr<OutputFile> createFile(const std::string& name) override {
        change();
        return Base::createFile(name);
    }
    void replaceFile(const std::string& from, const std::string& to) override {
        change();
        Base::replaceFile(from, to);
    }
    // A delete reports its failure instead of raising (it never raises;
    // destructors call it while Killed passes through them).
    bool deleteFile(const std::string& name) override {
        if (left_ == 0) return false;
        change();
        return Base::deleteFile(name);
    }
    std::string createTemporaryFile(const std::string& folder, const std::string& prefix) override {
        change();
        return Base::createTemporaryFile(folder, prefix);
    }

protected:
    void change() {
        if (left_ == 0) throw Killed{};
        if (left_ > 0) --left_;
    }

private:
    int left_ = -1;  // not armed
};

}  // namespace velm::test
