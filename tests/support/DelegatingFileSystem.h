#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace velm::test {

// The system's file system with every call passed on; a test overrides the
// one call it makes fail (a file that stays in use, a copy that cannot be
// made), the fault a real folder will not produce on demand.
class DelegatingFileSystem : public FileSystem {
public:
    bool fileExists(const std::string& name) override { return real_.fileExists(name); }
    bool directoryExists(const std::string& name) override { return real_.directoryExists(name); }
    std::vector<std::string> findFiles(const std::string& pattern) override {
        return real_.findFiles(pattern);
    }
    std::unique_ptr<InputFile> openForReading(const std::string& name) override {
        return real_.openForReading(name);
    }
    std::unique_ptr<OutputFile> createFile(const std::string& name) override {
        return real_.createFile(name);
    }
    DateTime modificationTime(const std::string& name) override {
        return real_.modificationTime(name);
    }
    void setModificationTime(const std::string& name, DateTime localTime) override {
        real_.setModificationTime(name, localTime);
    }
    long long fileSize(const std::string& name) override { return real_.fileSize(name); }
    std::optional<FileIdentity> fileIdentity(const std::string& name) override {
        return real_.fileIdentity(name);
    }
    bool deleteFile(const std::string& name) override { return real_.deleteFile(name); }
    bool copyFile(const std::string& from, const std::string& to) override {
        return real_.copyFile(from, to);
    }
    void replaceFile(const std::string& from, const std::string& to) override {
        real_.replaceFile(from, to);
    }
    void moveFileNoReplace(const std::string& from, const std::string& to) override {
        real_.moveFileNoReplace(from, to);
    }
    void flushFiles(const std::vector<std::string>& names) override { real_.flushFiles(names); }
    void flushFolder(const std::string& folder) override { real_.flushFolder(folder); }
    std::string createTemporaryFile(const std::string& folder, const std::string& prefix) override {
        return real_.createTemporaryFile(folder, prefix);
    }
    std::string nativePath(const std::string& name) override { return real_.nativePath(name); }

private:
    FileSystem& real_ = fileSystem();  // the one installed when the test began
};

}  // namespace velm::test
