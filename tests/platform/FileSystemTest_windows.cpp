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

// GetTempFileName's names: the prefix's first three characters, one to four
// hexadecimal digits, ".tmp", compared without regard to case.
TEST(WindowsFileSystemTest, TemporaryFileNamesHaveGetTempFileNamesShape) {
    struct Row {
        const char* name;
        const char* prefix;
        bool recognised;
        const char* reason;
    };
    const Row rows[] = {
        {"~vu1.tmp", "~vu", true, "one digit"},
        {"~vuA3F2.tmp", "~vu", true, "four digits"},
        {"~VUa3f2.TMP", "~vu", true, "names compare without case"},
        {"~ft1A2B.tmp", "~ftp", true, "only three characters of the prefix are used"},
        {"~vu12345.tmp", "~vu", false, "five digits"},
        {"~vu.tmp", "~vu", false, "no digit"},
        {"~vuG1.tmp", "~vu", false, "not hexadecimal"},
        {"~vu1A2B.tmp.bak", "~vu", false, "another extension"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reason);
        EXPECT_EQ(isTemporaryFileName(row.name, row.prefix), row.recognised);
    }
}

}  // namespace
}  // namespace velm
