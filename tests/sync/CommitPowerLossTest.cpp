// A power cut at every point of a commit, of the rollback after a refused
// rename and of the record of the accepted signed list, and a second one at
// every point of the next start's recovery, in the manner of a database's
// crash tests: through the file-system seam, each change the program makes
// is recorded, and for every prefix of them every state the disk could be
// left in (the model is PowerCutFileSystem's: unflushed bytes lost or cut,
// unflushed changes to the folder each there or not) is handed to the next
// start, whose recovery must leave exactly the old files or exactly the new
// ones, byte for byte, nothing else in the folder, nothing outside touched.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <set>
#include <string>

#include "platform/ReplacementFile.h"
#include "signing/AcceptedListStamp.h"
#include "support/PowerCutFileSystem.h"
#include "sync/CommitJournal.h"
#include "sync/StagedFiles.h"

namespace velm {
namespace {

using test::Disk;
using test::PowerCutFileSystem;

// One file replaced by a longer one, one by an empty one, one new; the
// settings file no run touches; the signed lists' accepted time.
const Disk kOld = {
    {"Loja.exe", "loja velha"},
    {"base.dll", "dll velha"},
    {"atualiza.cfg", "servidor"},
    {"atualiza.carimbo", "1796966440\r\n"},
};
const Disk kNewFiles = {
    {"Loja.exe", "loja nova, maior que a velha"},
    {"base.dll", ""},
    {"novo.dll", "biblioteca nova"},
};
constexpr std::uint64_t kNewStamp = 1796999999;

Disk newDisk(bool stampRecorded) {
    Disk disk = kOld;
    for (const auto& [name, bytes] : kNewFiles) disk[name] = bytes;
    if (stampRecorded) disk["atualiza.carimbo"] = std::to_string(kNewStamp) + "\r\n";
    return disk;
}

// The run's part: the downloads staged, the commit, then (after a commit
// that put everything in place) the accepted time recorded.
void commitAndRecord() {
    StagedFiles staged("");
    for (const auto& [name, bytes] : kNewFiles) {
        ReplacementFile file(".\\" + name);
        file.write(bytes.data(), bytes.size());
        staged.add(name, file.stage());
    }
    try {
        staged.commit();
    } catch (const RenameRefused&) {
        return;  // the run ends with errors: nothing recorded
    }
    writeAcceptedTimestamp(kNewStamp);
}

// The next start: the journal finished, then (before the downloads) the leftovers removed.
void nextStart() {
    recoverInterruptedCommit("");
    removeLeftovers("");
}

class PowerLossSweep {
public:
    // Runs the next start on `disk` and checks what it leaves; with
    // `depth` 1, also every cut during that start.
    void check(const Disk& disk, int depth) {
        // The start is the same on the same disk: each state once, with
        // the deepest second cut asked for it.
        const auto [known, added] = checked_.try_emplace(disk, depth);
        if (!added && known->second >= depth) return;
        known->second = depth;
        PowerCutFileSystem files(disk);
        {
            ScopedService<FileSystem> use{files};
            nextStart();
        }
        if (added) ++explored_;
        if (depth == 0) ++secondCuts_;
        const Disk after = files.now();
        if (added && !(after == kOld || after == newDisk(false) || after == newDisk(true))) {
            ++wrong_;
            if (wrong_ <= 3) ADD_FAILURE() << "the next start left " << describe(after)
                                           << "\nfrom the crash state " << describe(disk);
        }
        EXPECT_TRUE(files.outside.empty()) << files.outside.front();
        if (depth == 0) return;
        // A second cut, anywhere in that start.
        for (std::size_t count = 0; count < files.changes().size(); ++count)
            for (const Disk& cut : files.crashStates(count)) check(cut, depth - 1);
    }

    std::size_t explored() const { return explored_; }
    std::size_t secondCuts() const { return secondCuts_; }
    std::size_t wrong() const { return wrong_; }

private:
    static std::string describe(const Disk& disk) {
        std::string text;
        for (const auto& [name, bytes] : disk) text += "\n  " + name + " = \"" + bytes + "\"";
        return text;
    }

    std::map<Disk, int> checked_;
    std::size_t explored_ = 0;
    std::size_t secondCuts_ = 0;
    std::size_t wrong_ = 0;
};

struct Sweep {
    const char* what;
    std::function<bool(const std::string&, const std::string&)> refusesRename;
};

TEST(CommitPowerLossTest, EveryCutLeavesTheOldOrTheNewSetAfterTheNextStart) {
    const Sweep sweeps[] = {
        {"the commit and the record of the accepted time", {}},
        {"a rename refused at the last file, and the rollback",
         [](const std::string& from, const std::string& to) {
             return from.starts_with(ReplacementFile::kTemporaryPrefix) && to == "novo.dll";
         }},
    };
    for (const Sweep& sweep : sweeps) {
        SCOPED_TRACE(sweep.what);
        PowerCutFileSystem files(kOld);
        files.refusesRename = sweep.refusesRename;
        {
            ScopedService<FileSystem> use{files};
            commitAndRecord();
        }
        ASSERT_TRUE(files.outside.empty());
        PowerLossSweep crashes;
        std::size_t cuts = 0;
        for (std::size_t count = 0; count <= files.changes().size(); ++count)
            for (const Disk& disk : files.crashStates(count)) {
                ++cuts;
                crashes.check(disk, 1);
            }
        std::printf("[ power cuts ] %s: %zu changes recorded; %zu crash states after one cut, "
                    "%zu after a second cut during the next start; %zu distinct states "
                    "recovered and checked, %zu wrong\n",
                    sweep.what, files.changes().size(), cuts, crashes.secondCuts(),
                    crashes.explored(), crashes.wrong());
        EXPECT_EQ(crashes.wrong(), 0u);
        EXPECT_GT(crashes.explored(), 100u);
    }
}

}  // namespace
}  // namespace velm
