#include <gtest/gtest.h>

#include <filesystem>

#include "platform/RunLogFile.h"
#include "support/FileBytes.h"
#include "support/ReadOnlyPath_linux.h"
#include "support/TempFolder.h"

namespace velm {
namespace {

namespace fs = std::filesystem;

TEST(RunLogFileLinuxTest, ADiskFullLosesTheLinesAndNothingElse) {
    RunLogFile log("/dev/full");
    for (int i = 0; i < 3; ++i) log.append(std::string(5000, 'z'));
    SUCCEED() << "no error escaped";
}

TEST(RunLogFileLinuxTest, AReadOnlyFileStaysAsItWas) {
    test::TempFolder folder{test::TempFolder::Enter::Yes};
    test::writeFileBytes(kRunLogName, "antes\r\n");
    test::ReadOnlyPath readOnly(kRunLogName);
    if (!readOnly.applied())
        GTEST_SKIP() << "this file system cannot make a file read-only for root";
    RunLogFile log;
    log.append("lost");
    EXPECT_EQ(test::readFileBytes(kRunLogName), "antes\r\n");
}

TEST(RunLogFileLinuxTest, AReadOnlyFolderKeepsTheBoundByLosingLines) {
    test::TempFolder folder{test::TempFolder::Enter::Yes};
    const std::string full(kRunLogBound + 1, 'x');
    test::writeFileBytes(kRunLogName, full);
    test::ReadOnlyPath readOnly(folder.name());
    if (!readOnly.applied())
        GTEST_SKIP() << "this file system cannot make a folder read-only for root";
    RunLogFile log;
    log.append("lost");  // cannot be renamed: the line goes, not the bound
    EXPECT_EQ(fs::file_size(kRunLogName), full.size());
    EXPECT_FALSE(fs::exists("VelmUpdate.log.1"));
}

}  // namespace
}  // namespace velm
