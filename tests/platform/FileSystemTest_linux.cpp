// What only the Linux file system shows: ANSI names stored as UTF-8, entries
// the program cannot name, and local time through the time zone.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

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
    const std::string opened = fileSystem().openTemporaryFile(dir.name(), "vu").name;
    ::umask(previous);
    for (const std::string& made : {name, opened}) {
        struct stat st {};
        ASSERT_EQ(::stat(made.c_str(), &st), 0) << made;
        EXPECT_EQ(st.st_mode & 0777, 0644u) << made;
    }
}

// Counts the times a folder is opened for reading its entries, as the kernel
// reports them: the cost of a look-up that reads the whole folder.
class FolderReads {
public:
    explicit FolderReads(const std::string& folder)
        : inotify_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        // Closes are watched too, so that no two opens follow one another in
        // the queue, where the kernel would merge them.
        if (inotify_ < 0 || inotify_add_watch(inotify_, folder.c_str(),
                                              IN_OPEN | IN_CLOSE_NOWRITE | IN_ONLYDIR) < 0)
            throw std::runtime_error("no inotify here");
    }
    ~FolderReads() { ::close(inotify_); }
    FolderReads(const FolderReads&) = delete;
    FolderReads& operator=(const FolderReads&) = delete;

    int count() {
        alignas(inotify_event) char buffer[65536];
        ssize_t n;
        while ((n = ::read(inotify_, buffer, sizeof buffer)) > 0) {
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                // The folder itself (no name), not a file inside it.
                if ((event->mask & IN_OPEN) && (event->mask & IN_ISDIR) && event->len == 0)
                    ++count_;
            }
        }
        return count_;
    }

private:
    int inotify_;
    int count_ = 0;
};

// Every new file of a run is looked up by a name it does not have yet, with
// the folder changing between look-ups; none of that may read the folder
// again, however many entries it holds.
TEST(LinuxFileSystemTest, LookingUpNewNamesDoesNotReadTheFolderAgain) {
    FileSystem& files = fileSystem();
    for (const int size : {10, 100, 1000, 4000}) {
        SCOPED_TRACE(size);
        TempFolder dir;
        for (int i = 0; i < size; ++i) touch(dir.path() / ("Arquivo" + std::to_string(i) + ".dat"));
        FolderReads reads(dir.name());
        for (int i = 0; i < size; ++i) {
            const std::string n = std::to_string(i);
            ASSERT_TRUE(files.fileExists(dir / ("ARQUIVO" + n + ".DAT")));
            ASSERT_FALSE(files.fileExists(dir / ("novo" + n + ".dat")));
            files.writeTextLines(dir / ("Novo" + n + ".dat"), {n});
            ASSERT_TRUE(files.fileExists(dir / ("NOVO" + n + ".DAT")));
            if (i % 500 == 0) reads.count();  // keeps the kernel's queue short
        }
        EXPECT_LE(reads.count(), 1) << "folder reads for " << 3 * size << " look-ups";
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()),
                  2 * size);
    }
}

// Whatever another program does to a folder, a look-up sees it at once: new,
// renamed and removed entries, and a folder replaced under the same name.
TEST(LinuxFileSystemTest, LookUpsSeeEveryChangeMadeBehindTheProgramsBack) {
    FileSystem& files = fileSystem();
    TempFolder dir;
    fs::create_directory(dir.path() / "Dados");
    touch(dir.path() / "Dados" / "Velho.txt");
    EXPECT_TRUE(files.fileExists(dir.name() + "\\dados\\VELHO.TXT"));
    EXPECT_FALSE(files.fileExists(dir.name() + "\\dados\\NOVO.TXT"));

    touch(dir.path() / "Dados" / "Novo.txt");
    EXPECT_TRUE(files.fileExists(dir.name() + "\\dados\\NOVO.TXT")) << "created";
    fs::rename(dir.path() / "Dados" / "Novo.txt", dir.path() / "Dados" / "Outro.txt");
    EXPECT_FALSE(files.fileExists(dir.name() + "\\dados\\NOVO.TXT")) << "renamed away";
    EXPECT_TRUE(files.fileExists(dir.name() + "\\dados\\OUTRO.TXT")) << "renamed to";
    fs::remove(dir.path() / "Dados" / "Outro.txt");
    EXPECT_FALSE(files.fileExists(dir.name() + "\\dados\\OUTRO.TXT")) << "removed";

    // The folder moves away and another takes its name.
    fs::rename(dir.path() / "Dados", dir.path() / "Antigos");
    fs::create_directory(dir.path() / "Dados");
    touch(dir.path() / "Dados" / "Recente.txt");
    EXPECT_FALSE(files.fileExists(dir.name() + "\\dados\\VELHO.TXT"));
    EXPECT_TRUE(files.fileExists(dir.name() + "\\dados\\RECENTE.TXT"));
    EXPECT_TRUE(files.fileExists(dir.name() + "\\antigos\\VELHO.TXT"));

    // Removed and made again, the same name and perhaps the same inode.
    fs::remove_all(dir.path() / "Dados");
    fs::create_directory(dir.path() / "Dados");
    EXPECT_FALSE(files.fileExists(dir.name() + "\\dados\\RECENTE.TXT"));
    touch(dir.path() / "Dados" / "Recente.txt");
    EXPECT_TRUE(files.fileExists(dir.name() + "\\dados\\recente.TXT"));
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
        {"~vu\xE9"
         "bC123.tmp",
         "~vu", false, "an accented letter"},
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
