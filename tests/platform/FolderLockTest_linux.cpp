#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/FolderLock.h"
#include "support/FileBytes.h"
#include "support/ReadOnlyPath_linux.h"
#include "support/TempFolder.h"

namespace velm {
namespace {

using Outcome = FolderLock::Outcome;

// A copy killed while it holds the lock (a crash, the task manager) leaves
// the folder free for the next start.
TEST(FolderLockLinuxTest, AKilledHolderLeavesTheFolderFree) {
    test::TempFolder folder{test::TempFolder::Enter::Yes};
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        const FolderLock lock;
        const char held = lock.outcome() == Outcome::Held ? '1' : '0';
        if (write(ready[1], &held, 1) != 1) _exit(1);
        for (;;) pause();
    }
    close(ready[1]);
    char held = 0;
    ASSERT_EQ(read(ready[0], &held, 1), 1);
    close(ready[0]);
    EXPECT_EQ(held, '1');
    EXPECT_EQ(FolderLock().outcome(), Outcome::HeldByOther);

    kill(holder, SIGKILL);
    int status = 0;
    waitpid(holder, &status, 0);
    EXPECT_EQ(FolderLock().outcome(), Outcome::Held);
}

TEST(FolderLockLinuxTest, AFolderThatTakesNoNewFileStillLocksTheFileItHolds) {
    test::TempFolder folder{test::TempFolder::Enter::Yes};
    test::writeFileBytes(kFolderLockName, "");  // left by an earlier version
    test::ReadOnlyPath readOnly(folder.name());
    if (!readOnly.applied()) GTEST_SKIP() << "this file system cannot make a folder read-only";
    const FolderLock first;
    EXPECT_EQ(first.outcome(), Outcome::Held) << first.reason();
    EXPECT_EQ(FolderLock().outcome(), Outcome::HeldByOther);
    EXPECT_EQ(FolderLock("novo.lock").outcome(), Outcome::Unavailable);
}

}  // namespace
}  // namespace velm
