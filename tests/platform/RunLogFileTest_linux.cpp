#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <filesystem>

#include "platform/RunLogFile.h"
#include "support/FileBytes.h"
#include "support/ReadOnlyPath_linux.h"
#include "support/TempFolder.h"

namespace velm {
namespace {

namespace fs = std::filesystem;

// A disk that fills while the log is open: the process may write no file
// beyond a size (EFBIG as ENOSPC would come, the line cut in the middle),
// then the space comes back.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        previousSignal_ = std::signal(SIGXFSZ, SIG_IGN);  // fail the write, do not end the process
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limited = previous_;
        limited.rlim_cur = bytes;
        applied_ = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousSignal_);
    }
    bool applied() const { return applied_; }

private:
    rlimit previous_{};
    void (*previousSignal_)(int) = nullptr;
    bool applied_ = false;
};

TEST(RunLogFileLinuxTest, ADiskFullLosesTheLinesAndNothingElse) {
    test::TempFolder folder{test::TempFolder::Enter::Yes};
    RunLogFile log;
    log.append("antes");
    const std::string big(5000, 'z');
    {
        FileSizeLimit full(3000);
        ASSERT_TRUE(full.applied());
        log.append("cheio");
        log.append(big);  // cut at the limit
        log.append(big);  // the next one too, after the file was opened again
    }
    log.append("depois");
    // The lines before and after are whole, each on its own line; of the
    // lines the disk refused nothing stays.
    EXPECT_EQ(test::readFileBytes(kRunLogName), "antes\r\ncheio\r\ndepois\r\n");
    RunLogFile onFull("/dev/full");
    onFull.append(big);  // nothing escapes from a device that takes no byte
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
