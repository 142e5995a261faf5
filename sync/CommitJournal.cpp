#include "sync/CommitJournal.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "platform/FileNames.h"
#include "platform/FileSystem.h"
#include "platform/ReplacementFile.h"
#include "sync/UpdateRunLog.h"

namespace velm {

namespace {

constexpr const char* kHeader = "VelmUpdate commit journal 1\r\n";
// No real journal comes near it; a bigger file is no journal of ours.
constexpr std::size_t kMaxJournalSize = 64 * 1024 * 1024;

std::string inFolder(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + "\\" + name;
}

std::string checksum(const std::string& text) {
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return hex;
}

std::string endLine(const std::string& body, std::size_t count) {
    return "end " + std::to_string(count) + " " + checksum(body) + "\r\n";
}

std::string readWhole(FileSystem& files, const std::string& name) {
    const auto in = files.openForReading(name);
    std::string text;
    char buffer[65536];
    while (const std::size_t n = in->read(buffer, sizeof buffer)) {
        text.append(buffer, n);
        if (text.size() > kMaxJournalSize) throw Error("journal too large");
    }
    return text;
}

// The entry of one line "destination|staged|backup": "|" cannot stand in a name.
std::optional<CommitEntry> entryOf(const std::string& line) {
    const auto first = line.find('|');
    if (first == std::string::npos) return std::nullopt;
    const auto second = line.find('|', first + 1);
    if (second == std::string::npos || line.find('|', second + 1) != std::string::npos)
        return std::nullopt;
    CommitEntry entry{line.substr(0, first), line.substr(first + 1, second - first - 1),
                      line.substr(second + 1)};
    if (entry.destination.empty() || entry.staged.empty()) return std::nullopt;
    return entry;
}

}  // namespace

void writeCommitJournal(const std::string& folder, const std::vector<CommitEntry>& entries) {
    FileSystem& files = fileSystem();
    std::string body = kHeader;
    for (const CommitEntry& e : entries)
        body += e.destination + "|" + e.staged + "|" + e.backup + "\r\n";
    body += endLine(body, entries.size());
    const std::string name = inFolder(folder, kCommitJournalName);
    try {
        auto out = files.createFile(name);
        out->write(body.data(), body.size());
        out->close();
        files.flushFiles({name});
        files.flushFolder(folder);
    } catch (const Error&) {
        files.deleteFile(name);
        throw;
    }
}

std::optional<std::vector<CommitEntry>> readCommitJournal(const std::string& folder) {
    std::string text;
    try {
        text = readWhole(fileSystem(), inFolder(folder, kCommitJournalName));
    } catch (const Error&) {
        return std::nullopt;
    }
    if (!text.starts_with(kHeader) || !text.ends_with("\r\n")) return std::nullopt;
    const auto lastLine = text.rfind("\r\n", text.size() - 3);
    const std::string body = text.substr(0, lastLine + 2);
    std::vector<CommitEntry> entries;
    for (std::size_t at = std::string(kHeader).size(); at < body.size();) {
        const auto end = body.find("\r\n", at);
        const auto entry = entryOf(body.substr(at, end - at));
        if (!entry) return std::nullopt;
        entries.push_back(*entry);
        at = end + 2;
    }
    if (text.substr(lastLine + 2) != endLine(body, entries.size())) return std::nullopt;
    return entries;
}

bool commitJournalExists(const std::string& folder) {
    return fileSystem().fileExists(inFolder(folder, kCommitJournalName));
}

void removeCommitJournal(const std::string& folder) {
    FileSystem& files = fileSystem();
    const std::string name = inFolder(folder, kCommitJournalName);
    if (!files.deleteFile(name) && files.fileExists(name))
        throw FileError("Cannot delete file \"" + name + "\".");
    files.flushFolder(folder);
}

std::vector<std::string> namesTheJournalNeeds(const std::string& folder) {
    std::vector<std::string> names;
    try {
        if (!commitJournalExists(folder)) return names;
        if (const auto entries = readCommitJournal(folder))
            for (const CommitEntry& e : *entries) {
                names.push_back(e.staged);
                if (!e.backup.empty()) names.push_back(e.backup);
            }
    } catch (...) {
    }
    return names;
}

void removeLeftovers(const std::string& folder) {
    FileSystem& files = fileSystem();
    try {
        const std::vector<std::string> needed = namesTheJournalNeeds(folder);
        const auto isNeeded = [&](const std::string& name) {
            return std::any_of(needed.begin(), needed.end(),
                               [&](const std::string& n) { return sameFileName(n, name); });
        };
        for (const std::string& name : files.findFiles(inFolder(folder, "~*.tmp")))
            if ((isTemporaryFileName(name, ReplacementFile::kTemporaryPrefix) ||
                 isTemporaryFileName(name, ReplacementFile::kOlderTemporaryPrefix) ||
                 isTemporaryFileName(name, ReplacementFile::kBackupPrefix)) &&
                !isNeeded(name))
                files.deleteFile(inFolder(folder, name));
    } catch (const Error&) {
        // A folder that cannot be searched keeps its files; the run goes on.
    }
}

void rollForward(const std::string& folder, const std::vector<CommitEntry>& entries,
                 const CommitStepObserver& afterStep) {
    FileSystem& files = fileSystem();
    for (const CommitEntry& e : entries) {
        const std::string destination = inFolder(folder, e.destination);
        const std::string staged = inFolder(folder, e.staged);
        if (!files.fileExists(staged)) continue;  // in place already
        try {
            // A backup that exists holds the old file already: keep it.
            if (!e.backup.empty() && files.fileExists(destination) &&
                !files.fileExists(inFolder(folder, e.backup))) {
                files.replaceFile(destination, inFolder(folder, e.backup));
                if (afterStep) afterStep();
            }
            files.replaceFile(staged, destination);
        } catch (const FileError& error) {
            throw RenameRefused(e.destination, error.what());
        }
        if (afterStep) afterStep();
    }
}

bool rollBack(const std::string& folder, const std::vector<CommitEntry>& entries) {
    FileSystem& files = fileSystem();
    bool whole = true;
    for (auto e = entries.rbegin(); e != entries.rend(); ++e) {
        const std::string destination = inFolder(folder, e->destination);
        const std::string staged = inFolder(folder, e->staged);
        try {
            const bool stagedInPlace = !files.fileExists(staged);
            if (!e->backup.empty()) {
                const std::string backup = inFolder(folder, e->backup);
                if (files.fileExists(backup))
                    files.replaceFile(backup, destination);
                else if (stagedInPlace)
                    whole = false;  // its backup is gone: the old file cannot come back
            } else if (stagedInPlace && files.fileExists(destination) &&
                       !files.deleteFile(destination)) {
                whole = false;
            }
            if (!stagedInPlace) files.deleteFile(staged);
        } catch (const Error&) {
            whole = false;
        }
    }
    return whole;
}

void removeBackups(const std::string& folder, const std::vector<CommitEntry>& entries,
                   const CommitStepObserver& afterStep) {
    FileSystem& files = fileSystem();
    for (const CommitEntry& e : entries) {
        if (e.backup.empty()) continue;
        // One that stays (held open) is a leftover the next run removes.
        files.deleteFile(inFolder(folder, e.backup));
        if (afterStep) afterStep();
    }
}

CommitRecovery recoverInterruptedCommit(const std::string& folder) {
    CommitRecovery result;
    try {
        if (!commitJournalExists(folder)) return result;
        const auto entries = readCommitJournal(folder);
        if (!entries) {
            // Cut while it was written: no rename began, the staged files go.
            result.outcome = CommitRecovery::Outcome::Discarded;
            removeCommitJournal(folder);
            removeLeftovers(folder);
        } else {
            result.files = entries->size();
            try {
                rollForward(folder, *entries);
                fileSystem().flushFolder(folder);
                removeBackups(folder, *entries);
                result.outcome = CommitRecovery::Outcome::RolledForward;
            } catch (const Error& e) {
                result.error = e.what();
                result.outcome = rollBack(folder, *entries) ? CommitRecovery::Outcome::RolledBack
                                                            : CommitRecovery::Outcome::Failed;
            }
            if (result.outcome != CommitRecovery::Outcome::Failed) removeCommitJournal(folder);
        }
    } catch (const Error& e) {
        result.outcome = CommitRecovery::Outcome::Failed;
        result.error = e.what();
    }
    logRecovery(result);
    return result;
}

}  // namespace velm
