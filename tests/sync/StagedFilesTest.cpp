#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/ReplacementFile.h"
#include "support/ChildProcess.h"
#include "support/CommitTestSet.h"
#include "support/FaultyFileSystems.h"
#include "support/FileBytes.h"
#include "support/TempFolder.h"
#include "support/UnrenamableFile.h"
#include "sync/CommitJournal.h"
#include "sync/StagedFiles.h"

namespace velm {
namespace {

namespace fs = std::filesystem;
using Contents = test::FolderContents;
using Outcome = CommitRecovery::Outcome;

Contents contentsOf(const test::TempFolder& folder) {
    return test::folderContents(folder.path());
}
Contents oldSet() {
    return test::oldCommitSet();
}
Contents newSet() {
    return test::newCommitSet();
}
void writeOldSet(const test::TempFolder& folder) {
    test::writeOldCommitSet(folder.path());
}

// The stand-in updater over `folder`, killed at `step` of its commit.
test::ChildEnd commitKilledAt(const test::TempFolder& folder, int step) {
    return test::runChild(std::string("\"") + VELM_COMMIT_CHILD + "\" " + folder.name() + " " +
                          std::to_string(step));
}

// The next start: the journal finished, then (before the downloads) the
// leftovers removed.
CommitRecovery nextStart(const test::TempFolder& folder) {
    const CommitRecovery recovery = recoverInterruptedCommit(folder.name());
    removeLeftovers(folder.name());
    return recovery;
}

// A commit killed at every step, as the task manager or a power cut would
// stop it: before the journal the folder must come back old, from the
// journal on it must come back new; never a mix, never a file of ours left.
// Six files (four replace a file, two are new): ten renames, four backups.
TEST(CommitKilledTest, AtEveryStepTheNextStartLeavesTheOldOrTheNewSetWhole) {
    struct Span {
        int first, last;
        const char* killed;
        bool becomesNew;
        Outcome recovery;
    };
    const Span table[] = {
        {0, 0, "staged files on disk, no journal yet", false, Outcome::None},
        {1, 1, "journal on disk, no rename yet", true, Outcome::RolledForward},
        {2, 11, "after each of the ten renames", true, Outcome::RolledForward},
        {12, 15, "after each of the four backups removed", true, Outcome::RolledForward},
        {16, 16, "after the journal was removed", true, Outcome::None},
    };
    for (const Span& span : table) {
        for (int step = span.first; step <= span.last; ++step) {
            SCOPED_TRACE(std::string(span.killed) + ", step " + std::to_string(step));
            test::TempFolder folder;
            writeOldSet(folder);
            ASSERT_EQ(commitKilledAt(folder, step), test::ChildEnd::Killed);
            EXPECT_EQ(nextStart(folder).outcome, span.recovery);
            EXPECT_EQ(contentsOf(folder), span.becomesNew ? newSet() : oldSet());
        }
    }
    test::TempFolder folder;
    writeOldSet(folder);
    EXPECT_EQ(commitKilledAt(folder, table[4].last + 1), test::ChildEnd::Exited)
        << "the table holds every step of the commit";
    EXPECT_EQ(contentsOf(folder), newSet());
}

// A power cut while the journal was written: it does not read whole, so
// the commit never began; the journal and the staged files go.
TEST(CommitKilledTest, AJournalCutWhileWrittenLeavesTheOldSet) {
    struct Cut {
        const char* reason;
        std::function<std::string(const std::string&)> cut;
    };
    const Cut cuts[] = {
        {"created, nothing written", [](const std::string&) { return std::string(); }},
        {"in its first line", [](const std::string& j) { return j.substr(0, 10); }},
        {"after its first line", [](const std::string& j) { return j.substr(0, j.find('\n') + 1); }},
        {"in an entry", [](const std::string& j) { return j.substr(0, j.find('\n') + 12); }},
        {"before the end line", [](const std::string& j) { return j.substr(0, j.rfind("end")); }},
        {"in the end line", [](const std::string& j) { return j.substr(0, j.size() - 5); }},
        {"without the end line's break", [](const std::string& j) { return j.substr(0, j.size() - 2); }},
        {"a byte of a name changed",
         [](std::string j) {
             j[j.find("Loja")] = 'X';
             return j;
         }},
    };
    for (const Cut& cut : cuts) {
        SCOPED_TRACE(cut.reason);
        test::TempFolder folder;
        writeOldSet(folder);
        ASSERT_EQ(commitKilledAt(folder, 1), test::ChildEnd::Killed);  // journal whole, no rename
        const fs::path journal = folder.path() / kCommitJournalName;
        test::writeFileBytes(journal, cut.cut(test::readFileBytes(journal)));
        EXPECT_EQ(recoverInterruptedCommit(folder.name()).outcome, Outcome::Discarded);
        EXPECT_EQ(contentsOf(folder), oldSet());
    }
}

// A rename refused in the middle (a program in use): the files renamed
// before it go back, the staged ones go, the error names the file.
TEST(StagedFilesTest, ARefusedRenameRollsBackToTheOldSet) {
    test::TempFolder folder;
    writeOldSet(folder);
    const test::UnrenamableFile inUse((folder.path() / "Relatorio.exe").string());
    if (!inUse.applied()) GTEST_SKIP() << "the file cannot be held here";
    StagedFiles staged(folder.name());
    test::stageCommitTestSet(folder.name(), staged);
    try {
        staged.commit();
        ADD_FAILURE() << "the commit went through";
    } catch (const RenameRefused& e) {
        EXPECT_EQ(e.destination(), "Relatorio.exe");
    }
    EXPECT_TRUE(staged.empty());
    EXPECT_EQ(contentsOf(folder), oldSet());
}

// The same refusal met by the next start, after a kill: the commit cannot
// be finished, so it is undone, and the journal goes.
TEST(CommitKilledTest, ARenameRefusedAtTheNextStartRollsBack) {
    test::TempFolder folder;
    writeOldSet(folder);
    ASSERT_EQ(commitKilledAt(folder, 3), test::ChildEnd::Killed);  // Loja.exe replaced
    {
        const test::UnrenamableFile inUse((folder.path() / "Relatorio.exe").string());
        if (!inUse.applied()) GTEST_SKIP() << "the file cannot be held here";
        const CommitRecovery recovery = recoverInterruptedCommit(folder.name());
        EXPECT_EQ(recovery.outcome, Outcome::RolledBack);
        EXPECT_EQ(recovery.files, newSet().size());
        EXPECT_THAT(recovery.error, ::testing::Not(::testing::IsEmpty()));
    }
    removeLeftovers(folder.name());
    EXPECT_EQ(contentsOf(folder), oldSet());
}

// A disk that fills up after the downloads: the journal cannot be written,
// nothing was replaced, the staged files go.
TEST(StagedFilesTest, AJournalThatCannotBeWrittenReplacesNothing) {
    test::TempFolder folder;
    writeOldSet(folder);
    StagedFiles staged(folder.name());
    test::stageCommitTestSet(folder.name(), staged);
    test::FullDiskFileSystem disk(0);
    ScopedService<FileSystem> use{disk};
    EXPECT_THROW(staged.commit(), FileError);
    EXPECT_EQ(contentsOf(folder), oldSet());
}

// A listing that names a file twice (in another case too) stages it twice:
// the later download wins and the earlier one is not left behind.
TEST(StagedFilesTest, ALaterFileForTheSameNameReplacesTheEarlierOne) {
    test::TempFolder folder;
    test::writeFileBytes(folder.path() / "Loja.exe", "velho");
    StagedFiles staged(folder.name());
    for (const char* name : {"Loja.exe", "LOJA.EXE"}) {
        ReplacementFile file(folder.name() + "\\" + name);
        file.write(name, 8);
        staged.add(name, file.stage());
    }
    EXPECT_EQ(staged.size(), 1u);
    staged.commit();
    EXPECT_EQ(contentsOf(folder), (Contents{{"LOJA.EXE", "LOJA.EXE"}}));
}

// The leftover removal runs before the downloads: it must keep what a
// readable journal still needs, and remove the backups of runs cut short.
TEST(StagedFilesTest, LeftoverRemovalKeepsWhatAJournalNeeds) {
    test::TempFolder folder;
    writeOldSet(folder);
    ASSERT_EQ(commitKilledAt(folder, 4), test::ChildEnd::Killed);  // a backup made
    const Contents killed = contentsOf(folder);
    removeLeftovers(folder.name());
    EXPECT_EQ(contentsOf(folder), killed);
    EXPECT_EQ(recoverInterruptedCommit(folder.name()).outcome, Outcome::RolledForward);

    const std::string stray =
        fileSystem().createTemporaryFile(folder.name(), ReplacementFile::kBackupPrefix);
    removeLeftovers(folder.name());
    EXPECT_FALSE(fileSystem().fileExists(stray));
    EXPECT_EQ(contentsOf(folder), newSet());
}

}  // namespace
}  // namespace velm
