#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>

#include "platform/RunLogFile.h"
#include "support/ReadOnlyPath_linux.h"
#include "sync/LoggedRunFixture.h"

namespace velm {
namespace {

namespace fs = std::filesystem;

// Everything a run changes or shows, apart from its log.
struct Outcome {
    std::vector<std::string> window, boxes, started, commands;
    std::map<std::string, std::string> files;  // name: content and time
};

class UnwritableLogTest : public test::LoggedRunFixture {
protected:
    UnwritableLogTest() {
        server.listing(
            "-rw-r--r--   1 owner group  6 Dec  1 14:07 app.exe\r\n"
            "-rw-r--r--   1 owner group  3 Dec  1 14:07 nega.txt\r\n"
            "-rw-r--r--   1 owner group  3 Dec  1 14:07 Sys_Brevant.rar\r\n");
        server.file("app.exe", "mais 1");
        server.file("Sys_Brevant.rar", "rar");  // nega.txt: the server has no such file
    }

    // The same run from the same folder, each time.
    Outcome runFromScratch() {
        local("app.exe", "antigo", at(2020, 1, 1, 0, 0));
        fs::remove("Sys_Brevant.rar");
        view = test::RecordingRunView{};
        effects.dialogs.shown.clear();
        effects.shell.started.clear();
        const std::size_t session = server.sessions().size();
        // A client and display of its own: what a run leaves on them shows in the next.
        TFtpClient fresh;
        fresh.ReadTimeout = 10000;
        TransferProgress display{view};
        display.bind(fresh);
        UpdateRun(fresh, view, display).AtualizaSistema();
        EXPECT_TRUE(server.waitForSessionsToEnd());
        Outcome o{view.transcript, {}, effects.shell.started, server.sessions().at(session), {}};
        for (const auto& shown : effects.dialogs.shown) o.boxes.push_back(shown.text);
        for (const auto& entry : fs::directory_iterator(".")) {
            const std::string name = entry.path().filename().string();
            if (name.rfind(kRunLogName, 0) == 0) continue;
            o.files[name] = test::readFileBytes(name) + " @ " +
                            std::to_string(fileSystem().modificationTime(name).value);
        }
        return o;
    }

    void expectSame(const Outcome& a, const Outcome& b) {
        EXPECT_EQ(a.window, b.window);
        EXPECT_EQ(a.boxes, b.boxes);
        EXPECT_EQ(a.started, b.started);
        EXPECT_EQ(a.commands, b.commands);
        EXPECT_EQ(a.files, b.files);
    }
};

TEST_F(UnwritableLogTest, AReadOnlyLogFileLeavesTheRunAsItIsWithoutALog) {
    const Outcome without = runFromScratch();
    ASSERT_EQ(without.boxes.size(), 1u) << "a failed download";

    test::writeFileBytes(kRunLogName, "antes\r\n");
    RunLogFile file;
    ScopedService<RunLog> useFile(file);
    {
        test::ReadOnlyPath readOnly(kRunLogName);
        if (!readOnly.applied()) GTEST_SKIP() << "no read-only file for root here";
        expectSame(runFromScratch(), without);
    }
    EXPECT_EQ(test::readFileBytes(kRunLogName), "antes\r\n");

    // The same log, writable again, takes the next run's lines.
    expectSame(runFromScratch(), without);
    EXPECT_THAT(test::readFileBytes(kRunLogName),
                ::testing::HasSubstr("\r\n2026-12-10 12:00:00.000 download name=nega.txt"));
}

TEST_F(UnwritableLogTest, AFullDiskLeavesTheRunAsItIsWithoutALog) {
    const Outcome without = runFromScratch();
    RunLogFile full("/dev/full");
    ScopedService<RunLog> useFull(full);
    expectSame(runFromScratch(), without);
}

}  // namespace
}  // namespace velm
