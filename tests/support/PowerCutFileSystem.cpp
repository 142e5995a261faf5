#include "support/PowerCutFileSystem.h"

#include <set>
#include <stdexcept>

namespace velm::test {

namespace {

using Change = PowerCutFileSystem::Change;

bool shareAName(const Change& a, const Change& b) {
    const auto named = [](const Change& c, const std::string& name) {
        return !name.empty() && (c.name == name || c.to == name);
    };
    return named(a, b.name) || named(a, b.to);
}

struct Slot {
    std::string shown;
    int inode;
};
using Folder = std::map<std::string, Slot>;

// A change to the folder applied to one state of it; one that cannot
// happen there (its file is not there) changes nothing.
void applyChange(const Change& c, Folder& folder) {
    switch (c.kind) {
        case Change::Create:
            folder[c.name] = {c.shownTo, c.inode};
            break;
        case Change::Delete:
            folder.erase(c.name);
            break;
        case Change::Rename:
        case Change::RenameNoReplace: {
            const auto found = folder.find(c.name);
            if (found == folder.end()) break;
            if (c.kind == Change::RenameNoReplace && folder.count(c.to)) break;
            const int inode = found->second.inode;
            folder.erase(found);
            folder[c.to] = {c.shownTo, inode};
            break;
        }
        default:
            break;
    }
}

}  // namespace

std::vector<Disk> PowerCutFileSystem::crashStates(std::size_t count) const {
    std::vector<Inode> inodes;
    Folder durable;
    for (const auto& [name, bytes] : initial_) {
        durable[folded(name)] = {name, static_cast<int>(inodes.size())};
        inodes.push_back({bytes, bytes});
    }
    std::vector<Change> pending;
    for (std::size_t i = 0; i < count && i < changes_.size(); ++i) {
        const Change& c = changes_[i];
        if (c.inode >= static_cast<int>(inodes.size())) inodes.resize(c.inode + 1);
        switch (c.kind) {
            case Change::Create:
                inodes[c.inode] = {"", ""};
                pending.push_back(c);
                break;
            case Change::Truncate:
                inodes[c.inode].data.clear();
                break;
            case Change::Write:
                inodes[c.inode].data += c.bytes;
                break;
            case Change::FlushData:
                inodes[c.inode].flushed = inodes[c.inode].data;
                break;
            case Change::FlushFolder:
                for (const Change& p : pending) applyChange(p, durable);
                pending.clear();
                break;
            default:
                pending.push_back(c);
                break;
        }
    }
    if (pending.size() > 16) throw std::logic_error("too many changes between folder flushes");

    std::set<Disk> states;
    for (std::uint32_t mask = 0; mask < (1u << pending.size()); ++mask) {
        // The changes to one name keep their order: a change happens only
        // after every earlier change to any of its names.
        bool possible = true;
        for (std::size_t i = 0; i < pending.size() && possible; ++i)
            if (mask & (1u << i))
                for (std::size_t j = 0; j < i && possible; ++j)
                    if (!(mask & (1u << j)) && shareAName(pending[i], pending[j])) possible = false;
        if (!possible) continue;
        Folder folder = durable;
        for (std::size_t i = 0; i < pending.size(); ++i)
            if (mask & (1u << i)) applyChange(pending[i], folder);

        // Each file not flushed since its last write: as written, as at its
        // last flush, or cut half way through what came after.
        std::vector<std::pair<std::string, std::vector<std::string>>> files;
        for (const auto& [key, slot] : folder) {
            const Inode& inode = inodes[slot.inode];
            std::vector<std::string> versions{inode.data};
            if (inode.data != inode.flushed) {
                versions.push_back(inode.flushed);
                const bool appended = inode.data.starts_with(inode.flushed);
                const std::size_t from = appended ? inode.flushed.size() : 0;
                versions.push_back(inode.data.substr(0, from + (inode.data.size() - from) / 2));
            }
            files.emplace_back(slot.shown, std::move(versions));
        }
        std::vector<std::size_t> pick(files.size(), 0);
        for (;;) {
            Disk disk;
            for (std::size_t f = 0; f < files.size(); ++f)
                disk[files[f].first] = files[f].second[pick[f]];
            states.insert(std::move(disk));
            std::size_t f = 0;
            while (f < files.size() && ++pick[f] == files[f].second.size()) pick[f++] = 0;
            if (f == files.size()) break;
        }
    }
    return {states.begin(), states.end()};
}

}  // namespace velm::test
