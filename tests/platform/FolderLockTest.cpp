#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/FolderLock.h"
#include "support/FileBytes.h"
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
    // The holder took its file with it: a start leaves the folder as it found it.
    EXPECT_FALSE(std::filesystem::exists(kFolderLockName));
    const FolderLock next;
    EXPECT_EQ(next.outcome(), Outcome::Held) << next.reason();
}

// The file removed or replaced between a copy's open and its lock (a
// holder that ends removes it; on Linux anyone may): that copy must not
// hold a lock on a file the name no longer leads to while the next copy
// locks the new one. On Windows the change itself is refused.
TEST(FolderLockTest, AFileRemovedOrReplacedBeforeItWasLockedIsLockedAnew) {
    struct Change {
        const char* what;
        std::function<void()> make;
    };
    const Change changes[] = {
        {"removed", [] { fileSystem().deleteFile(kFolderLockName); }},
        {"replaced",
         [] {
             test::writeFileBytes("outro", "");
             fileSystem().replaceFile("outro", kFolderLockName);
         }},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.what);
        test::TempFolder folder{test::TempFolder::Enter::Yes};
        bool changed = false;
        const FolderLock first(kFolderLockName, [&] {
            if (changed) return;
            changed = true;
            try {
                change.make();
            } catch (const Error&) {
                // Windows: the open file can be neither removed nor replaced.
            }
        });
        EXPECT_EQ(first.outcome(), Outcome::Held) << first.reason();
        EXPECT_EQ(FolderLock().outcome(), Outcome::HeldByOther) << "two copies in one folder";
    }
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
