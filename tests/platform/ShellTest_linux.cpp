// The Linux shell: addresses go to xdg-open, arguments arrive as UTF-8.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ShellTestSupport.h"
#include "platform/Shell.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"

namespace velm {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

TEST(LinuxShellTest, OpensAddressesWithXdgOpen) {
    test::TempFolder bin;
    const fs::path out = bin.path() / "opened.txt";
    std::ofstream(bin.path() / "xdg-open")
        << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << out.string() << ".part'\nmv '" << out.string()
        << ".part' '" << out.string() << "'\n";
    fs::permissions(bin.path() / "xdg-open", fs::perms::owner_all);
    {
        test::ScopedEnvironment path("PATH", bin.name() + ":/usr/bin:/bin");
        ASSERT_TRUE(shell().openAddress("https://downloads.example/winrar.exe?a=1&b=2 \xE7"));
    }
    EXPECT_THAT(test::waitForLines(out),
                ElementsAre("https://downloads.example/winrar.exe?a=1&b=2 \u00E7"));
}

TEST(LinuxShellTest, WithoutXdgOpenAnAddressCannotBeOpened) {
    test::TempFolder empty;
    test::ScopedEnvironment path("PATH", empty.name());
    EXPECT_FALSE(shell().openAddress("https://downloads.example/winrar.exe"));
}

TEST(LinuxShellTest, FindsABareProgramNameInTheCurrentFolderAndPassesUtf8) {
    test::TempFolder dir(test::TempFolder::Enter::Yes);
    fs::copy_file(test::argsHelper(), dir.path() / "ArgsHelper.exe");
    ASSERT_TRUE(shell().startProgram("ARGSHELPER.EXE out.txt A\xE7\xE3o \x80"));
    EXPECT_THAT(test::waitForLines(dir.path() / "out.txt"),
                ElementsAre("A\u00E7\u00E3o", "\u20AC"));
}

}  // namespace
}  // namespace velm
