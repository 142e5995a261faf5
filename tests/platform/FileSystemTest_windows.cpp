// What only the Windows file system shows: native names and entries whose
// names have no form in the ANSI code page.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/FileSystem.h"
#include "support/TempFolder.h"

namespace velm {
namespace {

namespace fs = std::filesystem;
using ::testing::UnorderedElementsAre;

TEST(WindowsFileSystemTest, NativePathsUseBackslashes) {
    EXPECT_EQ(fileSystem().nativePath("C:/a/b\\c.txt"), "C:\\a\\b\\c.txt");
}

TEST(WindowsFileSystemTest, EntriesWithoutAnAnsiNameAreFoundWithQuestionMarks) {
    test::TempFolder dir;
    std::ofstream(dir.path() / fs::path(u8"\u65E5\u672C.txt")) << "x";
    std::ofstream(dir.path() / fs::path(u8"\U0001F600 \u0101.txt")) << "x";  // a pair counts once
    std::ofstream(dir.path() / fs::path(u8"caf\u00E9.txt")) << "x";
    EXPECT_THAT(fileSystem().findFiles(dir / "*.txt"),
                UnorderedElementsAre("??.txt", "? ?.txt", "caf\xE9.txt"));
}

}  // namespace
}  // namespace velm
