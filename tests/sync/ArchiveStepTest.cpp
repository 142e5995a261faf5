#include <gtest/gtest.h>

#include <filesystem>

#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "platform/Shell.h"
#include "support/DelegatingFileSystem.h"
#include "support/FileBytes.h"
#include "support/RecordedEffects.h"
#include "support/TempFolder.h"
#include "sync/ArchiveStep.h"

namespace velm {
namespace {

namespace fs = std::filesystem;

// The first program stays however often it is deleted (it is running).
class ProgramInUse : public test::DelegatingFileSystem {
public:
    bool deleteFile(const std::string& name) override {
        if (name == "App_Vezra_Config.exe") return false;
        return DelegatingFileSystem::deleteFile(name);
    }
};

// The old copy cannot be made (a full disk, a stale copy that stays).
class CopyFails : public test::DelegatingFileSystem {
public:
    bool copyFile(const std::string&, const std::string&) override { return false; }
};

TEST(ArchiveStepTest, NamesAndCommandLine) {
    EXPECT_EQ(firstProgramName("App_Vezra_Config.exe - Ser\xE1 atualizado"),
              "App_Vezra_Config.exe");
    EXPECT_EQ(firstProgramName("Label7"), "");
    EXPECT_EQ(oldCopyName("App_Vezra_Config.exe"), "Sys_Brevant.old");
    EXPECT_EQ(oldCopyName("C:\\Quorix\\App_Vezra_Config.exe"), "C:\\Quorix\\Sys_Brevant.old");
    EXPECT_EQ(archiverCommandLine("C:\\Program Files", "App_Vezra_Config.exe"),
              "C:\\Program Files\\winrar\\WinRAR.exe x -o+ Sys_Brevant.rar *.exe \".\\\"");
    EXPECT_EQ(archiverCommandLine("C:\\Arquivos de Programas", "D:\\Quorix\\App.exe"),
              "C:\\Arquivos de Programas\\winrar\\WinRAR.exe x -o+ Sys_Brevant.rar *.exe "
              "\"D:\\Quorix\\\"");
}

class ArchiveStepRunTest : public ::testing::Test {
protected:
    void write(const char* name, const std::string& bytes = "x") {
        test::writeFileBytes(name, bytes);
    }

    test::TempFolder folder{test::TempFolder::Enter::Yes};
    test::RecordedEffects effects;
    RecordingDialogs& dialogs = effects.dialogs;
    RecordingProcess& process = effects.process;
    test::RecordingShell& shell = effects.shell;
    const std::string first = "App_Vezra_Config.exe";
    const std::string extract = "C:\\PF\\winrar\\WinRAR.exe x -o+ Sys_Brevant.rar *.exe \".\\\"";
};

TEST_F(ArchiveStepRunTest, RunsOnlyWhenSomethingChangedOrTheMainProgramIsMissing) {
    struct Row {
        bool downloaded, error, mainProgram, archive;
        bool runs;
        const char* reason;
    };
    const Row rows[] = {
        {true, false, true, true, true, "a download and the archive"},
        {false, false, true, true, false, "nothing changed and Sys_Brevant.exe is there"},
        {false, false, false, true, true, "nothing changed but Sys_Brevant.exe is missing"},
        {true, true, true, true, false, "a download failed"},
        {true, false, true, false, false, "no archive"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reason);
        fs::remove("Sys_Brevant.exe");
        fs::remove("Sys_Brevant.rar");
        if (row.mainProgram) write("Sys_Brevant.exe");
        if (row.archive) write("Sys_Brevant.rar");
        EXPECT_EQ(archiveStepDue(row.downloaded, row.error), row.runs);
        shell.started.clear();
        bool error = row.error;
        runArchiveStep("C:\\PF", "absent.exe", row.downloaded, error);
        EXPECT_EQ(shell.started.size(), row.runs ? 1u : 0u);
        EXPECT_EQ(error, row.error);
    }
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_TRUE(process.sleeps.empty()) << "a missing first program needs no wait";
}

TEST_F(ArchiveStepRunTest, MovesTheFirstProgramAsideThenExtracts) {
    write("App_Vezra_Config.exe", "programa antigo");
    write("Sys_Brevant.old", "copia velha");
    write("Sys_Brevant.rar");
    bool error = false;
    runArchiveStep("C:\\PF", first, true, error);
    EXPECT_FALSE(error);
    EXPECT_FALSE(fs::exists(first));
    EXPECT_EQ(test::readFileBytes("Sys_Brevant.old"), "programa antigo");
    EXPECT_EQ(shell.started, std::vector<std::string>{extract});
    EXPECT_TRUE(fs::exists("Sys_Brevant.rar")) << "the archive stays after a start";
    EXPECT_TRUE(process.sleeps.empty());
    EXPECT_TRUE(dialogs.shown.empty());
}

// A first program that cannot be moved aside stops the step: the operator
// is told, the archive goes (the next run must not extract it over a program
// that is still running) and the program stays as it was.
TEST_F(ArchiveStepRunTest, FirstProgramThatCannotBeMovedAsideStopsTheStep) {
    ProgramInUse inUse;
    CopyFails copyFails;
    struct Row {
        FileSystem* files;
        std::vector<int> sleeps;
        const char* reason;
    };
    const Row rows[] = {
        {&inUse, std::vector<int>(5, 1000), "in use: it stays after five one-second waits"},
        {&copyFails, {}, "its copy cannot be made: it is not deleted, nothing is waited for"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reason);
        ScopedService<FileSystem> useFiles{*row.files};
        write("App_Vezra_Config.exe", "o unico exemplar");
        write("Sys_Brevant.rar");
        process.sleeps.clear();
        dialogs.shown.clear();
        bool error = false;
        runArchiveStep("C:\\PF", first, true, error);
        EXPECT_TRUE(error);
        EXPECT_EQ(process.sleeps, row.sleeps);
        EXPECT_EQ(test::readFileBytes(first), "o unico exemplar") << "nothing else holds it";
        ASSERT_EQ(dialogs.shown.size(), 1u);
        EXPECT_EQ(dialogs.shown[0].kind, RecordingDialogs::Kind::Message);
        EXPECT_EQ(dialogs.shown[0].text,
                  "N\xE3o foi poss\xEDvel apagar arquivo App_Vezra_Config.exe.");
        EXPECT_FALSE(fs::exists("Sys_Brevant.rar"));
        EXPECT_TRUE(shell.started.empty());
    }
}

}  // namespace
}  // namespace velm
