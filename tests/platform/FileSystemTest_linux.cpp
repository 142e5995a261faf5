// What only the Linux file system shows: ANSI names stored as UTF-8, entries
// the program cannot name, and local time through the time zone.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <fstream>

#include "platform/FileSystem.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"

namespace velm {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;
using ::testing::UnorderedElementsAre;

void touch(const fs::path& path) {
    std::ofstream(path) << "x";
}

TEST(LinuxFileSystemTest, AnsiNamesAreUtf8OnDiskAndNativePathsMatchCase) {
    TempFolder dir;
    FileSystem& files = fileSystem();
    files.writeTextLines(dir / "Configura\xE7\xE3o \x80.txt", {"x"});
    EXPECT_TRUE(fs::exists(dir.path() / "Configura\u00E7\u00E3o \u20AC.txt"));

    fs::create_directories(dir.path() / "WinRAR");
    touch(dir.path() / "WinRAR" / "WinRAR.exe");
    EXPECT_EQ(files.nativePath(dir.name() + "\\winrar\\WINRAR.EXE"),
              dir.name() + "/WinRAR/WinRAR.exe");
    // Components that do not exist keep the name as given.
    EXPECT_EQ(files.nativePath(dir.name() + "\\winrar\\New\\a.txt"),
              dir.name() + "/WinRAR/New/a.txt");
}

TEST(LinuxFileSystemTest, EntriesWithoutAnAnsiNameAreFoundWithQuestionMarks) {
    TempFolder dir;
    touch(dir.path() / "\u65E5\u672C.txt");  // no Windows-1252 form
    touch(dir.path() / "back\\slash.txt");   // would read as a folder
    touch(dir.path() / "bad\xFFutf8.txt");   // not UTF-8 at all
    touch(dir.path() / "cut\xE6\x97.txt");   // a sequence cut short
    touch(dir.path() / "caf\u00E9.txt");
    EXPECT_THAT(fileSystem().findFiles(dir / "*.txt"),
                UnorderedElementsAre("??.txt", "back?slash.txt", "bad?utf8.txt", "cut??.txt",
                                     "caf\xE9.txt"));
    EXPECT_FALSE(fileSystem().fileExists(dir / "bad?utf8.txt")) << "seen, but not nameable";
}

// A temporary file becomes a download in the shop's folder: it gets the mode
// of any new file there, not mkstemp's private one.
TEST(LinuxFileSystemTest, TemporaryFilesGetTheUsualMode) {
    TempFolder dir;
    const mode_t previous = ::umask(022);
    const std::string name = fileSystem().createTemporaryFile(dir.name(), "vu");
    ::umask(previous);
    struct stat st {};
    ASSERT_EQ(::stat(name.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
}

// mkstemp's names, exactly: the prefix, six letters or digits, ".tmp".
TEST(LinuxFileSystemTest, TemporaryFileNamesHaveMkstempsShape) {
    struct Row {
        const char* name;
        const char* prefix;
        bool recognised;
        const char* reason;
    };
    const Row rows[] = {
        {"~vuAbC123.tmp", "~vu", true, "letters of both cases and digits"},
        {"~ftpq9ZZ0a.tmp", "~ftp", true, "a longer prefix"},
        {"~vuAbC123.TMP", "~vu", false, "mkstemp keeps the case it is given"},
        {"~VUAbC123.tmp", "~vu", false, "nor is the prefix folded"},
        {"~vuAbC12.tmp", "~vu", false, "five characters"},
        {"~vuAbC1234.tmp", "~vu", false, "seven characters"},
        {"~vuAb-123.tmp", "~vu", false, "not a letter or a digit"},
        {"~vu\xE9" "bC123.tmp", "~vu", false, "an accented letter"},
        {"~ftAbC123.tmp", "~ftp", false, "another prefix"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reason);
        EXPECT_EQ(isTemporaryFileName(row.name, row.prefix), row.recognised);
    }
}

TEST(LinuxFileSystemTest, ModificationTimesAreLocalTimeOfTheZone) {
    // Declared first so that it runs last: the C library rereads TZ once the
    // variable is back as it was, whichever way the test ends.
    struct RereadZone {
        ~RereadZone() { tzset(); }
    } rereadZone;
    test::ScopedEnvironment zone("TZ", "BRT3");  // three hours west of UTC, no summer time
    tzset();
    TempFolder dir;
    touch(dir.path() / "f.txt");
    const struct timespec times[2] = {{0, UTIME_OMIT}, {1700000000, 0}};  // 2023-11-14 22:13:20 UTC
    ASSERT_EQ(utimensat(AT_FDCWD, (dir.path() / "f.txt").c_str(), times, 0), 0);
    EXPECT_EQ(decodeDateTime(fileSystem().modificationTime(dir / "f.txt")),
              (DateParts{2023, 11, 14, 19, 13, 20, 0}));

    fileSystem().setModificationTime(dir / "f.txt", encodeDateTime({2024, 1, 2, 21, 0, 0, 0}));
    struct stat st;
    ASSERT_EQ(stat((dir.path() / "f.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, 1704240000);  // 2024-01-03 00:00:00 UTC
}

}  // namespace
}  // namespace velm
