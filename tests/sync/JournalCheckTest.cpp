// The journal is checked before the start obeys it: one that names what no
// commit of ours names is removed, and nothing else is touched.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "support/CommitTestSet.h"
#include "support/FileBytes.h"
#include "support/RecordingRunLog.h"
#include "support/TempFolder.h"
#include "sync/CommitJournal.h"

namespace velm {
namespace {

namespace fs = std::filesystem;

// Names of the shapes a commit of ours gives its files.
std::string staged(int n) {
    const std::string name = "~vu" + std::string(n == 1 ? "1a2b" : "3c4d");
    // The shape of this system's temporary files.
    return isTemporaryFileName(name + ".tmp", "~vu") ? name + ".tmp" : name + "zz.tmp";
}
const std::string kBackup = "~vb0123456789ab.tmp";

CommitEntry entry(std::string destination, std::string stagedName, std::string backup) {
    return {std::move(destination), std::move(stagedName), std::move(backup), 4, {}};
}

TEST(JournalCheckTest, EntriesNoCommitOfOursWritesAreRefused) {
    struct Row {
        const char* reason;
        std::vector<CommitEntry> entries;
        bool accepted;
    };
    const Row rows[] = {
        {"a file replaced and a new one", {entry("Loja.exe", staged(1), kBackup),
                                           entry("novo.dll", staged(2), "")}, true},
        {"a signed list's new key replacing the old one",
         {entry("atualiza.pub", staged(1), kBackup)}, true},
        {"a destination above the folder", {entry("..\\x", staged(1), "")}, false},
        {"an absolute destination", {entry("/abs", staged(1), "")}, false},
        {"a destination on a drive", {entry("C:\\x", staged(1), "")}, false},
        {"a destination in a folder", {entry("sub\\x.exe", staged(1), "")}, false},
        {"a destination with a dot Windows drops", {entry("a.exe.", staged(1), "")}, false},
        {"a device", {entry("CON .txt", staged(1), "")}, false},
        {"a backup of another shape: a file of the folder", {entry("Loja.exe", staged(1), "Sys_Info.INI")}, false},
        {"a backup outside the folder", {entry("Loja.exe", staged(1), "..\\" + kBackup)}, false},
        {"a backup of an earlier version's shape", {entry("Loja.exe", staged(1), "~vb1a2b.tmp")}, false},
        {"a staged file that is a file of the folder", {entry("Loja.exe", "atualiza.cfg", kBackup)}, false},
        {"a staged file outside the folder", {entry("Loja.exe", "..\\outside\\" + staged(1), kBackup)}, false},
        {"the lock as destination", {entry("VelmUpdate.lock", staged(1), kBackup)}, false},
        {"the journal itself, with a dot", {entry("VelmUpdate.journal.", staged(1), kBackup)}, false},
        {"the log, in capitals", {entry("VELMUPDATE.LOG", staged(1), kBackup)}, false},
        {"a saved failed script", {entry("script_erro.txt", staged(1), "")}, false},
        {"a key where there was none", {entry("atualiza.pub", staged(1), "")}, false},
        {"one destination twice", {entry("Loja.exe", staged(1), ""), entry("LOJA.EXE", staged(2), "")}, false},
        {"one staged file twice", {entry("a.exe", staged(1), ""), entry("b.exe", staged(1), "")}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reason);
        EXPECT_EQ(!journalEntriesFault(row.entries).has_value(), row.accepted);
        if (row.accepted) continue;

        // Obeyed, the journal would move and remove files in and around the
        // folder: refused, it is removed and nothing else is touched.
        test::TempFolder root;
        const fs::path folder = root.path() / "loja";
        fs::create_directories(folder);
        fs::create_directories(root.path() / "outside");
        test::writeOldCommitSet(folder);
        test::writeFileBytes(folder / "atualiza.cfg", "servidor");
        test::writeFileBytes(folder / "Sys_Info.INI", "[SISTEMA]");
        for (const CommitEntry& e : row.entries)
            for (const std::string& name : {e.staged, e.backup})
                if (!name.empty() && name.find('\\') == std::string::npos)
                    test::writeFileBytes(folder / name, "bytes de " + name);
        test::writeFileBytes(root.path() / "x", "fora");
        test::writeFileBytes(root.path() / "outside" / staged(1), "fora");
        const test::FolderContents before = test::folderContents(folder);
        const test::FolderContents outsideBefore = test::folderContents(root.path() / "outside");
        writeCommitJournal(folder.string(), row.entries);

        test::RecordingRunLog log;
        const CommitRecovery recovery = recoverInterruptedCommit(folder.string());
        EXPECT_EQ(recovery.outcome, CommitRecovery::Outcome::Refused);
        EXPECT_FALSE(recovery.error.empty());
        EXPECT_EQ(test::folderContents(folder), before) << "only the journal went";
        EXPECT_EQ(test::folderContents(root.path() / "outside"), outsideBefore);
        EXPECT_EQ(test::readFileBytes(root.path() / "x"), "fora");
        ASSERT_EQ(log.lines.size(), 1u);
        EXPECT_NE(log.lines[0].find("recovery result=refused"), std::string::npos) << log.lines[0];
        EXPECT_NE(refusedJournalText(recovery).find(recovery.error), std::string::npos);
    }
}

}  // namespace
}  // namespace velm
