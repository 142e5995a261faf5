#include <gtest/gtest.h>

#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/FolderLock.h"
#include "support/FileBytes.h"
#include "support/TempFolder.h"

namespace velm {
namespace {

using Outcome = FolderLock::Outcome;

// Opened with delete sharing, the held file could be removed or replaced,
// and the next copy then locked a new file of the same name.
TEST(FolderLockWindowsTest, TheHeldFileCanBeNeitherRemovedNorReplaced) {
    test::TempFolder folder{test::TempFolder::Enter::Yes};
    const FolderLock lock;
    ASSERT_EQ(lock.outcome(), Outcome::Held) << lock.reason();
    EXPECT_FALSE(fileSystem().deleteFile(kFolderLockName));
    test::writeFileBytes("outro.lock", "");
    EXPECT_THROW(fileSystem().replaceFile("outro.lock", kFolderLockName), FileError);
    EXPECT_EQ(FolderLock().outcome(), Outcome::HeldByOther);
}

}  // namespace
}  // namespace velm
