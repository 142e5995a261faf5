// Faults of the commit found by attacking it: a rollback cut short, a stray
// file under a backup's name. Each leaves, after the next start, the old set
// or the new one, whole.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/ReplacementFile.h"
#include "support/CommitTestSet.h"
#include "support/FaultyFileSystems.h"
#include "support/FileBytes.h"
#include "support/TempFolder.h"
#include "sync/CommitJournal.h"
#include "sync/StagedFiles.h"

namespace velm {
namespace {

using test::FolderContents;

// Relatorio.exe is in use: its new version cannot take its place.
bool relatorioInUse(const std::string& from, const std::string& to) {
    return from.starts_with(ReplacementFile::kTemporaryPrefix) && to == "Relatorio.exe";
}

// The next start: the journal finished, then the leftovers removed.
void nextStart(const test::TempFolder& folder) {
    recoverInterruptedCommit(folder.name());
    removeLeftovers(folder.name());
}

// A rename refused at the third file, then the restore of the first file
// refused too during the rollback: the journal stays, and the next start
// must go on rolling back, not forward over the files already put back.
TEST(CommitFaultsTest, AHalfRollbackIsFinishedAsARollback) {
    test::TempFolder folder;
    test::writeOldCommitSet(folder.path());
    StagedFiles staged(folder.name());
    test::stageCommitTestSet(folder.name(), staged);
    {
        test::RefusingRenames disk([](const std::string& from, const std::string& to) {
            return relatorioInUse(from, to) ||
                   (from.starts_with(ReplacementFile::kBackupPrefix) && to == "Loja.exe");
        });
        ScopedService<FileSystem> use{disk};
        EXPECT_THROW(staged.commit(), RenameRefused);
    }
    nextStart(folder);
    EXPECT_EQ(test::folderContents(folder.path()), test::oldCommitSet());
}

// The same rollback killed after each of its changes to the folder: the
// next start finishes it.
TEST(CommitFaultsTest, ARollbackKilledAnywhereIsFinishedByTheNextStart) {
    int survived = 0;
    for (;; ++survived) {
        SCOPED_TRACE("killed after " + std::to_string(survived) + " changes of the rollback");
        test::TempFolder folder;
        test::writeOldCommitSet(folder.path());
        StagedFiles staged(folder.name());
        test::stageCommitTestSet(folder.name(), staged);
        bool killed = false;
        {
            test::KillableFileSystem<test::RefusingRenames> disk(
                [&](const std::string& from, const std::string& to) {
                    if (!relatorioInUse(from, to)) return false;
                    disk.arm(survived);  // the rollback begins
                    return true;
                });
            ScopedService<FileSystem> use{disk};
            try {
                staged.commit();
            } catch (const RenameRefused&) {
            } catch (const test::Killed&) {
            }
            killed = disk.killed();
        }
        // Killed before the journal said so, the commit may still go forward;
        // once it said so, the old files come back.
        const bool goingBack = readCommitJournal(folder.name()).direction == CommitDirection::Back;
        nextStart(folder);
        const FolderContents after = test::folderContents(folder.path());
        EXPECT_TRUE(after == test::oldCommitSet() || after == test::newCommitSet());
        if (goingBack) {
            EXPECT_EQ(after, test::oldCommitSet()) << "the rollback had begun";
        }
        if (!killed) break;
    }
    EXPECT_GT(survived, 4) << "the rollback makes several changes";
}

// A file already carrying the name a backup would get is someone else's:
// it is never taken for the backup, never moved over a program and never
// removed.
TEST(CommitFaultsTest, AStrayFileUnderABackupsNameIsNeverTakenForTheBackup) {
    test::TempFolder folder;
    test::writeOldCommitSet(folder.path());
    StagedFiles staged(folder.name());
    test::stageCommitTestSet(folder.name(), staged);
    // Under every name of a backup's shape this folder's staged files suggest.
    FolderContents strays;
    for (const auto& [name, bytes] : test::folderContents(folder.path()))
        if (name.starts_with(ReplacementFile::kTemporaryPrefix))
            strays[ReplacementFile::kBackupPrefix +
                   name.substr(std::string(ReplacementFile::kTemporaryPrefix).size())] =
                "alheio";
    for (const auto& [name, bytes] : strays) test::writeFileBytes(folder.path() / name, bytes);
    {
        test::RefusingRenames disk(relatorioInUse);
        ScopedService<FileSystem> use{disk};
        EXPECT_THROW(staged.commit(), RenameRefused);
    }
    recoverInterruptedCommit(folder.name());
    FolderContents expected = test::oldCommitSet();
    expected.insert(strays.begin(), strays.end());
    EXPECT_EQ(test::folderContents(folder.path()), expected);
}

}  // namespace
}  // namespace velm
