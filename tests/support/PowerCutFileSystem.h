#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/FileErrors.h"
#include "platform/FileNames.h"
#include "platform/FileSystem.h"

namespace velm::test {

// The files of one folder, by name, with their bytes: what a disk holds.
using Disk = std::map<std::string, std::string>;

// A folder in memory that records every change made to it, so that a test
// can build each state a power cut could leave at each point (see
// crashStates). Names are taken as the program gives them in the current
// folder ("", ".\"); any other folder part is a name outside the folder:
// it is recorded in `outside` and fails, as nothing of the run may reach
// there. Look-ups ignore case, as the target's do.
//
// The model of the disk under a power cut (as the operating systems the
// program runs on promise no more than this):
// - bytes written to a file and not yet flushed (flushFiles) may be lost,
//   wholly or from any point: the file then holds what it held at its last
//   flush, or that and part of what came after (we take the half);
// - a file created, renamed or removed is on disk only once the folder is
//   flushed (flushFolder) afterwards; until then each such change may or
//   may not have happened, independently of the others, except that the
//   changes to one name keep their order (a file cannot be renamed before
//   it was created).
class PowerCutFileSystem : public FileSystem {
public:
    struct Change {
        enum Kind { Create, Truncate, Write, FlushData, Rename, RenameNoReplace, Delete, FlushFolder };
        Kind kind;
        std::string name, to;  // folded names
        std::string shownTo;   // the new name as given
        int inode = -1;
        std::string bytes;
    };

    explicit PowerCutFileSystem(const Disk& disk) {
        for (const auto& [name, bytes] : disk) {
            const int inode = static_cast<int>(inodes_.size());
            inodes_.push_back({bytes, bytes});
            folder_[folded(name)] = {name, inode};
        }
        initial_ = disk;
    }

    std::vector<std::string> outside;
    // Renames the test refuses (a program holding the file), by the names' file parts.
    std::function<bool(const std::string& from, const std::string& to)> refusesRename;

    const std::vector<Change>& changes() const { return changes_; }
    const Disk& initial() const { return initial_; }

    // The folder as the program sees it now (everything it wrote, as written).
    Disk now() const {
        Disk disk;
        for (const auto& [key, entry] : folder_) disk[entry.shown] = inodes_[entry.inode].data;
        return disk;
    }

    bool fileExists(const std::string& name) override {
        const auto key = inFolder(name);
        return key && folder_.count(*key);
    }
    bool directoryExists(const std::string& name) override {
        return name.empty() || name == "." || name == ".\\" || name == "./";
    }
    std::vector<std::string> findFiles(const std::string& pattern) override {
        const auto key = inFolder(pattern);
        std::vector<std::string> names;
        if (!key) return names;
        const std::string mask = extractFileName(pattern);
        for (const auto& [k, entry] : folder_)
            if (matchesWildcard(entry.shown, mask)) names.push_back(entry.shown);
        return names;
    }
    std::unique_ptr<InputFile> openForReading(const std::string& name) override {
        return std::make_unique<Reader>(inodes_[entryOf("Cannot open file", name).inode].data);
    }
    std::unique_ptr<OutputFile> createFile(const std::string& name) override {
        const std::string key = required("Cannot create file", name);
        const auto found = folder_.find(key);
        if (found != folder_.end()) {
            const int inode = found->second.inode;
            inodes_[inode].data.clear();
            changes_.push_back({Change::Truncate, key, "", "", inode, ""});
            return std::make_unique<Writer>(*this, inode);
        }
        const int inode = static_cast<int>(inodes_.size());
        inodes_.push_back({"", ""});
        folder_[key] = {extractFileName(name), inode};
        changes_.push_back({Change::Create, key, "", extractFileName(name), inode, ""});
        return std::make_unique<Writer>(*this, inode);
    }
    DateTime modificationTime(const std::string& name) override {
        entryOf("Cannot read the date of file", name);
        return DateTime{};
    }
    void setModificationTime(const std::string& name, DateTime) override {
        entryOf("Cannot set the date of file", name);
    }
    long long fileSize(const std::string& name) override {
        return static_cast<long long>(
            inodes_[entryOf("Cannot read the size of file", name).inode].data.size());
    }
    // The model keeps no times: its contents stand in for them, so that a
    // file written again never keeps its identity.
    std::optional<FileIdentity> fileIdentity(const std::string& name) override {
        const auto key = inFolder(name);
        if (!key) return std::nullopt;
        const auto found = folder_.find(*key);
        if (found == folder_.end()) return std::nullopt;
        const std::string& data = inodes_[found->second.inode].data;
        return FileIdentity{static_cast<long long>(data.size()),
                            static_cast<std::int64_t>(std::hash<std::string>{}(data)), 0,
                            static_cast<std::uint64_t>(found->second.inode)};
    }
    bool deleteFile(const std::string& name) override {
        const auto key = inFolder(name);
        if (!key || !folder_.count(*key)) return false;
        folder_.erase(*key);
        changes_.push_back({Change::Delete, *key, "", "", -1, ""});
        return true;
    }
    bool copyFile(const std::string&, const std::string&) override { return false; }
    void replaceFile(const std::string& from, const std::string& to) override {
        rename(from, to, false);
    }
    void moveFileNoReplace(const std::string& from, const std::string& to) override {
        rename(from, to, true);
    }
    void flushFiles(const std::vector<std::string>& names) override {
        for (const std::string& name : names) {
            const int inode = entryOf("Cannot write file", name).inode;
            inodes_[inode].flushed = inodes_[inode].data;
            changes_.push_back({Change::FlushData, "", "", "", inode, ""});
        }
    }
    void flushFolder(const std::string& folder) override {
        if (!directoryExists(folder)) {
            outside.push_back(folder);
            throw fileError("Cannot write folder", folder, 3);
        }
        changes_.push_back({Change::FlushFolder, "", "", "", -1, ""});
    }
    std::string createTemporaryFile(const std::string& folder, const std::string& prefix) override {
        if (!directoryExists(folder)) {
            outside.push_back(folder);
            throw fileError("Cannot create a temporary file in", folder, 3);
        }
        // The shape this system's temporary files have, so that the
        // leftover removal knows them.
        for (;;) {
            char digits[16];
            std::snprintf(digits, sizeof digits, "%04x", ++unique_ & 0xFFFF);
            std::string name = prefix + digits + ".tmp";
            if (!isTemporaryFileName(name, prefix)) name = prefix + digits + "zz.tmp";
            if (fileExists(name)) continue;
            createFile(name);
            return name;
        }
    }
    std::string nativePath(const std::string& name) override { return name; }

    // Every state of the disk a power cut could leave after the first
    // `count` changes; each state once.
    std::vector<Disk> crashStates(std::size_t count) const;

private:
    struct Inode {
        std::string data;     // as written
        std::string flushed;  // as at the last flush
    };
    struct Entry {
        std::string shown;
        int inode;
    };

    class Reader : public InputFile {
    public:
        explicit Reader(std::string bytes) : bytes_(std::move(bytes)) {}
        std::size_t read(char* data, std::size_t size) override {
            const std::size_t n = std::min(size, bytes_.size() - at_);
            std::copy_n(bytes_.data() + at_, n, data);
            at_ += n;
            return n;
        }

    private:
        std::string bytes_;
        std::size_t at_ = 0;
    };

    class Writer : public OutputFile {
    public:
        Writer(PowerCutFileSystem& files, int inode) : files_(files), inode_(inode) {}
        void write(const char* data, std::size_t size) override {
            files_.inodes_[inode_].data.append(data, size);
            files_.changes_.push_back({Change::Write, "", "", "", inode_, std::string(data, size)});
        }
        void close() override {}

    private:
        PowerCutFileSystem& files_;
        int inode_;
    };

    static std::string folded(const std::string& name) {
        std::string key = name;
        for (char& c : key) c = foldFileNameChar(c);
        return key;
    }

    // The folded name of a file directly in the folder, or nothing.
    std::optional<std::string> inFolder(const std::string& name) {
        std::string rest = name;
        while (rest.starts_with(".\\") || rest.starts_with("./")) rest = rest.substr(2);
        if (rest.empty() || rest.find_first_of("\\/:") != std::string::npos || rest == "." ||
            rest == "..") {
            outside.push_back(name);
            return std::nullopt;
        }
        return folded(rest);
    }
    std::string required(const std::string& action, const std::string& name) {
        const auto key = inFolder(name);
        if (!key) throw fileError(action, name, 3);
        return *key;
    }
    const Entry& entryOf(const std::string& action, const std::string& name) {
        const auto found = folder_.find(required(action, name));
        if (found == folder_.end()) throw fileError(action, name, 2);
        return found->second;
    }
    void rename(const std::string& from, const std::string& to, bool noReplace) {
        const std::string action = "Cannot rename file";
        const std::string source = required(action, from);
        const std::string target = required(action, to);
        const auto found = folder_.find(source);
        if (found == folder_.end()) throw fileError(action, from, 2);
        if (refusesRename && refusesRename(extractFileName(from), extractFileName(to)))
            throw fileError(action, to, 32);
        if (noReplace && folder_.count(target)) throw fileError(action, to, 80);
        const Entry moved{extractFileName(to), found->second.inode};
        folder_.erase(found);
        folder_[target] = moved;
        changes_.push_back({noReplace ? Change::RenameNoReplace : Change::Rename, source, target,
                            moved.shown, -1, ""});
    }

    Disk initial_;
    std::vector<Inode> inodes_;
    std::map<std::string, Entry> folder_;
    std::vector<Change> changes_;
    unsigned unique_ = 0;
};

}  // namespace velm::test
