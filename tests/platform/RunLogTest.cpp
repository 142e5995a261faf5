#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/Clock.h"
#include "platform/Errors.h"
#include "platform/RunLog.h"
#include "platform/RunLogFile.h"
#include "support/FileBytes.h"
#include "support/RecordingRunLog.h"
#include "support/TempFolder.h"

namespace velm {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

TEST(RunLogLineTest, FieldsStayOnOneLineAndSplitAtBlanksOnly) {
    struct Row {
        const char* reason;
        std::string value;
        std::string field;
    };
    const Row rows[] = {
        {"a plain word", "app.exe", " name=app.exe"},
        {"ANSI bytes as they are", "Atualiza\xE7\xE3o", " name=Atualiza\xE7\xE3o"},
        {"empty: quoted, so the next field stays apart", "", " name=\"\""},
        {"a blank", "meu arquivo.txt", " name=\"meu arquivo.txt\""},
        {"a quote, doubled", "a \"b\"", " name=\"a \"\"b\"\"\""},
        {"an equals sign", "a=b", " name=\"a=b\""},
        {"a server message of several lines", "550 No.\r\n550 Really.\n",
         " name=\"550 No. | 550 Really. | \""},
        {"a tab", "a\tb", " name=\"a b\""},
        {"a Windows path", "C:\\Loja\\BASE.GDB", " name=C:\\Loja\\BASE.GDB"},
    };
    for (const Row& row : rows) EXPECT_EQ(logField("name", row.value), row.field) << row.reason;
    EXPECT_EQ(logField("size", std::int64_t{-1}), " size=-1");
    EXPECT_EQ(logTime(encodeDateTime({2026, 1, 5, 7, 3, 9, 999})), "2026-01-05T07:03:09");
    EXPECT_EQ(runLogLine(encodeDateTime({2026, 12, 10, 9, 5, 3, 7}), "run start"),
              "2026-12-10 09:05:03.007 run start");
}

TEST(RunLogLineTest, EventsAreStampedByTheClockAndNeverRaise) {
    test::RecordingRunLog log;
    FixedClock fixed{encodeDateTime({2026, 12, 10, 23, 59, 59, 500})};
    {
        ScopedService<Clock> useClock(fixed);
        logEvent("login result=ok");
    }
    struct BrokenClock : Clock {
        DateTime now() override { throw Error("The system clock cannot be read"); }
    } broken;
    ScopedService<Clock> useBroken(broken);
    logEvent("lost");
    EXPECT_THAT(log.lines, ElementsAre("2026-12-10 23:59:59.500 login result=ok"));
}

// The file log in a working folder of its own.
class RunLogFileTest : public ::testing::Test {
protected:
    test::TempFolder folder{test::TempFolder::Enter::Yes};
};

TEST_F(RunLogFileTest, AppendsLinesWithCrLfAcrossRuns) {
    test::writeFileBytes(kRunLogName, "earlier\r\n");
    {
        RunLogFile log;
        log.append("first \xE7");
        log.append("");
        // Written through at once: a process that ends now keeps the lines.
        EXPECT_EQ(test::readFileBytes(kRunLogName), "earlier\r\nfirst \xE7\r\n\r\n");
    }
    RunLogFile next;
    next.append("second run");
    EXPECT_EQ(test::readFileBytes(kRunLogName), "earlier\r\nfirst \xE7\r\n\r\nsecond run\r\n");
    EXPECT_FALSE(fs::exists("VelmUpdate.log.1"));
}

TEST_F(RunLogFileTest, PastOneMebibyteTheFileMovesToDotOneAndANewOneBegins) {
    const std::string full(kRunLogBound, 'x');
    test::writeFileBytes(kRunLogName, full);
    test::writeFileBytes("VelmUpdate.log.1", "older");
    RunLogFile log;
    log.append("a");  // at the bound, not past it
    EXPECT_EQ(test::readFileBytes("VelmUpdate.log.1"), "older");
    log.append("b");
    EXPECT_EQ(test::readFileBytes("VelmUpdate.log.1"), full + "a\r\n") << "the older one replaced";
    EXPECT_EQ(test::readFileBytes(kRunLogName), "b\r\n");

    // Lines of a long run: the folder never holds much more than twice the bound.
    const std::string line(200, 'y');
    for (int i = 0; i < 12000; ++i) log.append(line);
    EXPECT_LE(fs::file_size(kRunLogName), kRunLogBound + line.size() + 2);
    EXPECT_LE(fs::file_size("VelmUpdate.log.1"), kRunLogBound + line.size() + 2);
    EXPECT_GT(fs::file_size("VelmUpdate.log.1"), kRunLogBound);
}

TEST_F(RunLogFileTest, AFileAlreadyPastTheBoundMovesOnTheFirstLine) {
    test::writeFileBytes(kRunLogName, std::string(kRunLogBound + 1, 'x'));
    RunLogFile log;
    log.append("novo");
    EXPECT_EQ(fs::file_size("VelmUpdate.log.1"), static_cast<std::uintmax_t>(kRunLogBound + 1));
    EXPECT_EQ(test::readFileBytes(kRunLogName), "novo\r\n");
}

TEST_F(RunLogFileTest, ALogThatCannotBeOpenedLosesItsLinesOnly) {
    fs::create_directory(kRunLogName);  // no one can open a folder for writing
    RunLogFile log;
    log.append("lost");
    EXPECT_TRUE(fs::is_directory(kRunLogName));
    EXPECT_TRUE(fs::is_empty(kRunLogName));
    // Once the obstacle is gone the next line lands.
    fs::remove(kRunLogName);
    log.append("kept");
    EXPECT_EQ(test::readFileBytes(kRunLogName), "kept\r\n");
}

}  // namespace
}  // namespace velm
