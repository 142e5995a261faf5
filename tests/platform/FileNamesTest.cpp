// Name rules shared by every OS: the wildcard match, folder and name parts,
// and the text-line split.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/FileNames.h"
#include "platform/FileSystem.h"
#include "platform/TextLines.h"

namespace velm {
namespace {

using ::testing::ElementsAreArray;

TEST(WildcardTest, MatchesLikeTheTargetSystem) {
    struct Case {
        const char* name;
        const char* pattern;
        bool matches;
    };
    const Case cases[] = {
        {"SCRIPT_ERRO_DT_01.TXT", "SCRIPT_ERRO*.*", true},
        {"script_erro_dt_01.txt", "SCRIPT_ERRO*.*", true},
        {"SCRIPT_ERRO", "SCRIPT_ERRO*.*", true},  // ".*" also takes no extension
        {"SCRIPT_ERR.TXT", "SCRIPT_ERRO*.*", false},
        {"XSCRIPT_ERRO.TXT", "SCRIPT_ERRO*.*", false},
        {"anything", "*", true},
        {"", "*", true},
        {"noext", "*.*", true},
        {"a.b.c", "*.c", true},
        {"a.b.c", "*.b", false},
        {"other.txt", "?ther.TXT", true},
        {"ther.txt", "?ther.txt", false},
        {"file", "*.", true},  // a bare "." wants no extension
        {"file.txt", "*.", false},
        {"file.", "*.", true},
        {"abc", "a*b*c", true},
        {"aXbYc", "a*b*c", true},
        {"acb", "a*b*c", false},
        {"A\xC7\xC3O.TXT", "a\xE7\xE3o.txt", true},  // accented letters fold
        {"\x8A", "\x9A", true},                      // S caron
        {"\xD7", "\xF7", false},                     // multiply and divide are no pair
        {"abc", "abd", false},
        {"abc", "ab", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(matchesWildcard(c.name, c.pattern), c.matches) << c.name << " / " << c.pattern;
}

TEST(FileNamePartsTest, SplitsAtEitherSeparator) {
    struct Case {
        const char* name;
        const char* dir;
        const char* file;
    };
    const Case cases[] = {
        {"App.exe", "", "App.exe"},
        {"folder\\App.exe", "folder", "App.exe"},
        {"a/b\\c.txt", "a/b", "c.txt"},
        {"C:\\Arquivos de Programas\\winrar", "C:\\Arquivos de Programas", "winrar"},
        {"C:\\x.txt", "C:\\", "x.txt"},
        {"\\x.txt", "\\", "x.txt"},
        {"/tmp/x", "/tmp", "x"},
        {"C:x.txt", "C:", "x.txt"},
        {"folder\\", "folder", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(extractFileDir(c.name), c.dir) << c.name;
        EXPECT_EQ(extractFileName(c.name), c.file) << c.name;
    }
}

TEST(TextLinesTest, SplitsAtCrLfLfOrCrAndJoinsWithCrLf) {
    struct Case {
        std::string text;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"", {}},
        {"one", {"one"}},
        {"one\r\n", {"one"}},
        {"one\r\ntwo", {"one", "two"}},
        {"a\nb\rc\r\nd", {"a", "b", "c", "d"}},
        {"\r\n\r\n", {"", ""}},
        {"a\n\rb", {"a", "", "b"}},  // LF CR is two breaks
        {"a\r\r\nb", {"a", "", "b"}},
    };
    for (const auto& c : cases)
        EXPECT_THAT(splitTextLines(c.text), ElementsAreArray(c.lines)) << c.text;
    EXPECT_EQ(joinTextLines({"a", "", "b"}), "a\r\n\r\nb\r\n");
    EXPECT_EQ(joinTextLines({}), "");
}

}  // namespace
}  // namespace velm
