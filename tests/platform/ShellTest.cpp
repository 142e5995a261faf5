// Starting a real program without waiting, on every OS.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ShellTestSupport.h"
#include "platform/Shell.h"
#include "support/TempFolder.h"

namespace velm {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

TEST(ShellTest, StartsAProgramWithWindowsQuotingAndNoShell) {
    test::TempFolder dir(test::TempFolder::Enter::Yes);
    fs::create_directory(dir.path() / "My Tools");
    fs::copy_file(test::argsHelper(), dir.path() / "My Tools" / "ArgsHelper.exe");
    std::ofstream(dir.path() / "found.exe") << "a shell would put this name for *.exe";

    ASSERT_TRUE(shell().startProgram(
        "\"my tools\\argshelper.exe\" out.txt plain \"with space\" *.exe \"quote\\\"inside\" "
        "back\\\\slash \"trail\\\\\\\\\" \"\" $HOME;x"));
    EXPECT_THAT(test::waitForLines(dir.path() / "out.txt"),
                ElementsAre("plain", "with space", "*.exe", "quote\"inside", "back\\\\slash",
                            "trail\\\\", "", "$HOME;x"));
}

TEST(ShellTest, AProgramThatCannotStartGivesFalse) {
    test::TempFolder dir(test::TempFolder::Enter::Yes);
    EXPECT_FALSE(shell().startProgram("\"no such folder\\nothing.exe\" a"));
    EXPECT_FALSE(shell().startProgram("velm-no-such-program-anywhere a"));
    EXPECT_FALSE(shell().startProgram(""));
}

}  // namespace
}  // namespace velm
