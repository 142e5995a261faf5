#include <gtest/gtest.h>

#include <filesystem>

#include "platform/Errors.h"
#include "platform/FolderLock.h"
#include "support/TempFolder.h"

namespace velm {
namespace {

using Outcome = FolderLock::Outcome;

TEST(FolderLockTest, OneHolderAtATimeAndTheNextAfterItGoes) {
    test::TempFolder folder{test::TempFolder::Enter::Yes};
    {
        const FolderLock first;
        EXPECT_EQ(first.outcome(), Outcome::Held) << first.reason();
        const FolderLock second;
        EXPECT_EQ(second.outcome(), Outcome::HeldByOther);
        const FolderLock elsewhere(folder.name() + "/outro.lock");
        EXPECT_EQ(elsewhere.outcome(), Outcome::Held) << "another file is another lock";
    }
    // The file stays (removing it could split the lock), the lock does not.
    EXPECT_TRUE(std::filesystem::exists(kFolderLockName));
    const FolderLock next;
    EXPECT_EQ(next.outcome(), Outcome::Held) << next.reason();
}

TEST(FolderLockTest, AFileThatCannotBeOpenedSaysWhy) {
    test::TempFolder folder{test::TempFolder::Enter::Yes};
    const FolderLock lock("nao-existe/VelmUpdate.lock");
    EXPECT_EQ(lock.outcome(), Outcome::Unavailable);
    // Linux cannot tell a missing folder from a missing file (ENOENT).
    EXPECT_TRUE(lock.reason() == systemErrorMessage(3) || lock.reason() == systemErrorMessage(2))
        << lock.reason();
}

}  // namespace
}  // namespace velm
