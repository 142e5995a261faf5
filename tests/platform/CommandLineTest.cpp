// The Windows command-line rules used to start programs on Linux.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/CommandLine.h"

namespace velm {
namespace {

using ::testing::ElementsAreArray;

TEST(CommandLineTest, SplitsLikeTheMicrosoftCRuntime) {
    struct Case {
        std::string line;
        std::vector<std::string> args;
    };
    const Case cases[] = {
        {"", {}},
        {"   ", {}},
        {"prog", {"prog"}},
        {"  prog  a   b  ", {"prog", "a", "b"}},
        {"prog\ta\tb", {"prog", "a", "b"}},
        // The archive step's own line.
        {"C:\\Arquivos de programas\\winrar\\WinRAR.exe x -o+ Sys_Brevant.rar *.exe \".\\\"",
         {"C:\\Arquivos", "de", "programas\\winrar\\WinRAR.exe", "x", "-o+", "Sys_Brevant.rar",
          "*.exe", ".\""}},
        {"\"C:\\Program Files\\winrar\\WinRAR.exe\" x \".\\\\\"",
         {"C:\\Program Files\\winrar\\WinRAR.exe", "x", ".\\"}},
        // Quotes in the program name only group; backslashes there are literal.
        {"C:\\\"Program Files\"\\x.exe a", {"C:\\Program Files\\x.exe", "a"}},
        {"\"C:\\dir\\\\\" a", {"C:\\dir\\\\", "a"}},
        {"p \"a b\" c", {"p", "a b", "c"}},
        {"p a\"b c\"d", {"p", "ab cd"}},
        {"p \"\"", {"p", ""}},
        {"p \"\" \"\"", {"p", "", ""}},
        {"p a\\\\b", {"p", "a\\\\b"}},               // no quote after: literal
        {"p a\\\"b", {"p", "a\"b"}},                 // 1 backslash: literal quote
        {"p a\\\\\"b c\"", {"p", "a\\b c"}},         // 2: one backslash, quote opens
        {"p a\\\\\\\"b", {"p", "a\\\"b"}},           // 3: one backslash, literal quote
        {"p \"a\\\\\\\\\" b", {"p", "a\\\\", "b"}},  // 4 before the closing quote
        {"p \"a\"\"b\" c", {"p", "a\"b", "c"}},      // "" inside quotes
        {"p \"unterminated arg", {"p", "unterminated arg"}},
        {"p trailing\\", {"p", "trailing\\"}},
    };
    for (const auto& c : cases)
        EXPECT_THAT(splitCommandLine(c.line), ElementsAreArray(c.args)) << c.line;
}

}  // namespace
}  // namespace velm
