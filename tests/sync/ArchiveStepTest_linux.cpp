#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/Dialogs.h"
#include "platform/Process.h"
#include "support/FileBytes.h"
#include "support/TempFolder.h"
#include "sync/ArchiveStep.h"

namespace velm {
namespace {

namespace fs = std::filesystem;

// A stand-in archiver where the registry's Program Files folder holds it:
// it records the arguments it got and the folder it ran in. The command line
// is the one the archiver is given; split by the Windows rules, as here, the
// quoted ".\" ends in an escaped quote.
TEST(ArchiveStepArchiverTest, StartsTheArchiverWithItsCommandLineHere) {
    test::TempFolder folder{test::TempFolder::Enter::Yes};
    test::TempFolder programs;
    fs::create_directories(programs.path() / "WinRAR");
    const fs::path archiver = programs.path() / "WinRAR" / "WinRAR.exe";
    const fs::path record = programs.path() / "record.txt";
    test::writeFileBytes(archiver,
                         "#!/bin/sh\n{ pwd; for a in \"$@\"; do echo \"[$a]\"; done; } > " +
                             record.string() + ".part\nmv " + record.string() + ".part " +
                             record.string() + "\n");
    fs::permissions(archiver, fs::perms::owner_all);
    test::writeFileBytes("App_Vezra_Config.exe", "antigo");
    test::writeFileBytes("Sys_Brevant.rar", "rar");
    RecordingDialogs dialogs;
    ScopedService<Dialogs> useDialogs{dialogs};
    RecordingProcess process;
    ScopedService<Process> useProcess{process};

    bool error = false;
    runArchiveStep(programs.name(), "App_Vezra_Config.exe", true, error);
    EXPECT_FALSE(error);
    EXPECT_FALSE(fs::exists("App_Vezra_Config.exe"));
    EXPECT_EQ(test::readFileBytes("Sys_Brevant.old"), "antigo");
    for (int i = 0; i < 200 && !fs::exists(record); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    EXPECT_EQ(test::readFileBytes(record),
              fs::current_path().string() + "\n[x]\n[-o+]\n[Sys_Brevant.rar]\n[*.exe]\n[.\"]\n");
}

}  // namespace
}  // namespace velm
