#include "sync/CommitJournal.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <set>

#include "platform/DecimalText.h"
#include "platform/FileNames.h"
#include "platform/FileSystem.h"
#include "platform/ReplacementFile.h"
#include "sync/LocalNames.h"
#include "sync/UpdateRunLog.h"

namespace velm {

namespace {

constexpr const char* kHeader = "VelmUpdate commit journal 2\r\n";
constexpr const char* kForward = "direction forward";
constexpr const char* kBack = "direction back";
// No real journal comes near it; a bigger file is no journal of ours.
constexpr std::size_t kMaxJournalSize = 64 * 1024 * 1024;
constexpr std::size_t kBackupDigits = 12;

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

std::string journalText(const std::vector<CommitEntry>& entries, CommitDirection direction) {
    std::string body = kHeader;
    body += direction == CommitDirection::Forward ? kForward : kBack;
    body += "\r\n";
    for (const CommitEntry& e : entries)
        body += e.destination + "|" + e.staged + "|" + e.backup + "|" + std::to_string(e.size) +
                "|" + hexDigest(e.digest) + "\r\n";
    return body + endLine(body, entries.size());
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

std::vector<std::string> split(const std::string& line, char separator) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (;;) {
        const auto at = line.find(separator, from);
        parts.push_back(line.substr(from, at - from));
        if (at == std::string::npos) return parts;
        from = at + 1;
    }
}

std::optional<Sha256Digest> digestOf(const std::string& hex) {
    if (hex.size() != 64) return std::nullopt;
    Sha256Digest digest{};
    for (std::size_t i = 0; i < 64; ++i) {
        const char c = hex[i];
        int v;
        if (c >= '0' && c <= '9')
            v = c - '0';
        else if (c >= 'a' && c <= 'f')
            v = c - 'a' + 10;
        else
            return std::nullopt;
        digest[i / 2] = static_cast<std::uint8_t>(digest[i / 2] * 16 + v);
    }
    return digest;
}

// The entry of one line "destination|staged|backup|size|sha256": "|"
// cannot stand in a name.
std::optional<CommitEntry> entryOf(const std::string& line) {
    const std::vector<std::string> parts = split(line, '|');
    if (parts.size() != 5) return std::nullopt;
    const auto size = readDigits<std::int64_t>(parts[3]);
    const auto digest = digestOf(parts[4]);
    if (!size || !digest) return std::nullopt;
    return CommitEntry{parts[0], parts[1], parts[2], *size, *digest};
}

std::string folded(const std::string& name) {
    std::string key = name;
    for (char& c : key) c = foldFileNameChar(c);
    return key;
}

Sha256Digest digestOfFile(FileSystem& files, const std::string& name, std::int64_t& size) {
    const auto in = files.openForReading(name);
    Sha256Hasher hasher;
    std::vector<char> buffer(1 << 16);
    size = 0;
    while (const std::size_t n = in->read(buffer.data(), buffer.size())) {
        hasher.update(buffer.data(), n);
        size += static_cast<std::int64_t>(n);
    }
    return hasher.finish();
}

}  // namespace

void writeCommitJournal(const std::string& folder, const std::vector<CommitEntry>& entries,
                        CommitDirection direction) {
    FileSystem& files = fileSystem();
    const std::string text = journalText(entries, direction);
    const std::string name = inFolder(folder, kCommitJournalName);
    try {
        auto out = files.createFile(name);
        out->write(text.data(), text.size());
        out->close();
        files.flushFiles({name});
        files.flushFolder(folder);
    } catch (const Error&) {
        files.deleteFile(name);
        throw;
    }
}

void markCommitGoingBack(const std::string& folder, const std::vector<CommitEntry>& entries) {
    FileSystem& files = fileSystem();
    const std::string text = journalText(entries, CommitDirection::Back);
    const std::string next = inFolder(folder, kNextCommitJournalName);
    try {
        auto out = files.createFile(next);
        out->write(text.data(), text.size());
        out->close();
        files.flushFiles({next});
        files.replaceFile(next, inFolder(folder, kCommitJournalName));
    } catch (const Error&) {
        files.deleteFile(next);
        throw;
    }
    files.flushFolder(folder);
}

CommitJournalRead readCommitJournal(const std::string& folder) {
    CommitJournalRead read;
    FileSystem& files = fileSystem();
    const std::string name = inFolder(folder, kCommitJournalName);
    if (!files.fileExists(name)) return read;
    read.state = CommitJournalRead::State::Cut;
    std::string text;
    try {
        text = readWhole(files, name);
    } catch (const Error&) {
        return read;
    }
    if (!text.starts_with(kHeader) || !text.ends_with("\r\n") || text.size() < 3) return read;
    const auto lastLine = text.rfind("\r\n", text.size() - 3);
    const std::string body = text.substr(0, lastLine + 2);
    std::vector<std::string> lines;
    for (std::size_t at = std::string(kHeader).size(); at < body.size();) {
        const auto end = body.find("\r\n", at);
        lines.push_back(body.substr(at, end - at));
        at = end + 2;
    }
    const std::size_t count = lines.empty() ? 0 : lines.size() - 1;
    if (text.substr(lastLine + 2) != endLine(body, count)) return read;

    // Whole: from here on whatever it says is checked before it is obeyed.
    read.state = CommitJournalRead::State::Refused;
    if (lines.empty() || (lines[0] != kForward && lines[0] != kBack)) {
        read.refusal = "a dire\xE7\xE3o do registro";
        return read;
    }
    read.direction = lines[0] == kForward ? CommitDirection::Forward : CommitDirection::Back;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const auto entry = entryOf(lines[i]);
        if (!entry) {
            read.refusal = lines[i];
            return read;
        }
        read.entries.push_back(*entry);
    }
    if (const auto fault = journalEntriesFault(read.entries)) {
        read.refusal = *fault;
        read.entries.clear();
        return read;
    }
    read.state = CommitJournalRead::State::Whole;
    return read;
}

std::optional<std::string> journalEntriesFault(const std::vector<CommitEntry>& entries) {
    std::set<std::string> seen;
    const auto once = [&](const std::string& name) { return seen.insert(folded(name)).second; };
    for (const CommitEntry& e : entries) {
        if (localNameFault(e.destination) != NameFault::None)
            return e.destination + " (n\xE3o \xE9 um arquivo desta pasta)";
        // The key may be replaced by a commit (a signed list's new key), never introduced.
        if (isOwnName(e.destination, e.backup.empty() ? KeyChange::Refused : KeyChange::Allowed))
            return e.destination + " (um arquivo de controle do atualizador)";
        if (!isTemporaryFileName(e.staged, ReplacementFile::kTemporaryPrefix))
            return e.staged + " (n\xE3o \xE9 um arquivo baixado pelo atualizador)";
        if (!e.backup.empty() && !isBackupFileName(e.backup))
            return e.backup + " (n\xE3o \xE9 uma c\xF3pia de seguran\xE7\x61 do atualizador)";
        if (e.size < 0) return e.destination + " (tamanho negativo)";
        if (!once(e.destination) || !once(e.staged) || (!e.backup.empty() && !once(e.backup)))
            return e.destination + " (nome repetido)";
    }
    return std::nullopt;
}

bool commitJournalExists(const std::string& folder) {
    return fileSystem().fileExists(inFolder(folder, kCommitJournalName));
}

void removeCommitJournal(const std::string& folder) {
    FileSystem& files = fileSystem();
    const std::string name = inFolder(folder, kCommitJournalName);
    // What the journal guarded (the renames of a rollback) on disk first:
    // its removal must not reach the disk before them.
    files.flushFolder(folder);
    if (!files.deleteFile(name) && files.fileExists(name))
        throw FileError("Cannot delete file \"" + name + "\".");
    files.flushFolder(folder);
}

std::vector<std::string> namesTheJournalNeeds(const std::string& folder) {
    std::vector<std::string> names;
    try {
        const CommitJournalRead read = readCommitJournal(folder);
        for (const CommitEntry& e : read.entries) {
            names.push_back(e.staged);
            if (!e.backup.empty()) names.push_back(e.backup);
        }
    } catch (...) {
    }
    return names;
}

std::string chooseBackupName(const std::string& folder) {
    thread_local std::mt19937_64 random{std::random_device{}()};
    std::uniform_int_distribution<int> digit(0, 15);
    for (;;) {
        std::string name = ReplacementFile::kBackupPrefix;
        for (std::size_t i = 0; i < kBackupDigits; ++i) name += "0123456789abcdef"[digit(random)];
        name += ".tmp";
        if (!fileSystem().fileExists(inFolder(folder, name)) &&
            !fileSystem().directoryExists(inFolder(folder, name)))
            return name;
    }
}

bool isBackupFileName(const std::string& name) {
    const std::string prefix = ReplacementFile::kBackupPrefix;
    if (name.size() != prefix.size() + kBackupDigits + 4 || !name.starts_with(prefix) ||
        !name.ends_with(".tmp"))
        return false;
    return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end() - 4,
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

void measureNewContents(const std::string& folder, CommitEntry& entry) {
    entry.digest = digestOfFile(fileSystem(), inFolder(folder, entry.staged), entry.size);
}

bool holdsNewContents(const std::string& folder, const CommitEntry& entry) {
    FileSystem& files = fileSystem();
    const std::string destination = inFolder(folder, entry.destination);
    try {
        if (!files.fileExists(destination) || files.fileSize(destination) != entry.size)
            return false;
        std::int64_t size = 0;
        return digestOfFile(files, destination, size) == entry.digest && size == entry.size;
    } catch (const Error&) {
        return false;
    }
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
                 isTemporaryFileName(name, ReplacementFile::kBackupPrefix) ||
                 isBackupFileName(name)) &&
                !isNeeded(name))
                files.deleteFile(inFolder(folder, name));
        // A next journal a power cut left before its rename.
        const std::string next = inFolder(folder, kNextCommitJournalName);
        if (files.fileExists(next)) files.deleteFile(next);
    } catch (const Error&) {
        // A folder that cannot be searched keeps its files; the run goes on.
    }
}

// Each entry goes: the old file to its backup name, then the staged file to
// the destination. Which of the two happened shows in which names exist:
// the staged file there means the second did not; the destination there as
// well means the first did not either.
void rollForward(const std::string& folder, const std::vector<CommitEntry>& entries,
                 const CommitStepObserver& afterStep) {
    FileSystem& files = fileSystem();
    for (const CommitEntry& e : entries) {
        const std::string destination = inFolder(folder, e.destination);
        const std::string staged = inFolder(folder, e.staged);
        if (!files.fileExists(staged)) continue;  // in place already
        try {
            if (!e.backup.empty() && files.fileExists(destination)) {
                files.moveFileNoReplace(destination, inFolder(folder, e.backup));
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
            const bool stagedThere = files.fileExists(staged);
            const bool destinationThere = files.fileExists(destination);
            if (e->backup.empty()) {
                // A new file: whatever holds its new contents goes.
                if (stagedThere)
                    files.deleteFile(staged);
                else if (destinationThere && holdsNewContents(folder, *e) &&
                         !files.deleteFile(destination))
                    whole = false;
                continue;
            }
            const std::string backup = inFolder(folder, e->backup);
            if (stagedThere && destinationThere) {
                files.deleteFile(staged);  // the old file never moved
            } else if (files.fileExists(backup) &&
                       (!destinationThere || holdsNewContents(folder, *e))) {
                files.replaceFile(backup, destination);
                if (stagedThere) files.deleteFile(staged);
            } else if (!destinationThere || holdsNewContents(folder, *e)) {
                whole = false;  // the old file is in no place it could come back from
            }
            // Otherwise the destination holds the old file again.
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

namespace {

// A commit found going forward: finished, each destination checked to hold
// its new contents before any backup goes; or, when a rename is refused or
// a destination does not, turned back.
CommitRecovery::Outcome finishForward(const std::string& folder,
                                      const std::vector<CommitEntry>& entries,
                                      std::string& error) {
    FileSystem& files = fileSystem();
    try {
        rollForward(folder, entries);
        for (const CommitEntry& e : entries)
            if (!holdsNewContents(folder, e))
                throw RenameRefused(e.destination, "O arquivo " + e.destination +
                                                       " n\xE3o tem o conte\xFA\x64o novo.");
    } catch (const RenameRefused& refusal) {
        error = refusal.what();
        try {
            markCommitGoingBack(folder, entries);
        } catch (const Error&) {
            // The rollback goes on; should it be cut, the next start finds
            // the destinations without their new contents and turns back again.
        }
        return rollBack(folder, entries) ? CommitRecovery::Outcome::RolledBack
                                         : CommitRecovery::Outcome::Failed;
    }
    files.flushFolder(folder);
    removeBackups(folder, entries);
    return CommitRecovery::Outcome::RolledForward;
}

}  // namespace

CommitRecovery recoverInterruptedCommit(const std::string& folder) {
    CommitRecovery result;
    try {
        const CommitJournalRead journal = readCommitJournal(folder);
        switch (journal.state) {
            case CommitJournalRead::State::Missing:
                return result;
            case CommitJournalRead::State::Cut:
                // Cut while it was written: no rename began, the staged files go.
                result.outcome = CommitRecovery::Outcome::Discarded;
                removeCommitJournal(folder);
                removeLeftovers(folder);
                break;
            case CommitJournalRead::State::Refused:
                // Not one of ours: obeying it could move any file anywhere.
                result.outcome = CommitRecovery::Outcome::Refused;
                result.error = journal.refusal;
                removeCommitJournal(folder);
                break;
            case CommitJournalRead::State::Whole:
                result.files = journal.entries.size();
                if (journal.direction == CommitDirection::Forward) {
                    result.outcome = finishForward(folder, journal.entries, result.error);
                } else {
                    result.error = "desfazendo";
                    result.outcome = rollBack(folder, journal.entries)
                                         ? CommitRecovery::Outcome::RolledBack
                                         : CommitRecovery::Outcome::Failed;
                }
                if (result.outcome != CommitRecovery::Outcome::Failed) removeCommitJournal(folder);
                break;
        }
    } catch (const Error& e) {
        result.outcome = CommitRecovery::Outcome::Failed;
        result.error = e.what();
    }
    logRecovery(result);
    return result;
}

std::string refusedJournalText(const CommitRecovery& recovery) {
    return std::string("O registro de atualiza\xE7\xE3o ") + kCommitJournalName +
           " desta pasta nomeia o que nenhuma atualiza\xE7\xE3o do programa nomearia: " +
           recovery.error +
           ".\r\rEle foi apagado sem ser seguido: nenhum outro arquivo foi movido ou apagado.";
}

}  // namespace velm
