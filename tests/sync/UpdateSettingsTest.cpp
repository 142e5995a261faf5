#include <gtest/gtest.h>

#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "support/TempFolder.h"
#include "sync/UpdateSettings.h"

namespace velm {
namespace {

TEST(UpdateSettingsTest, LinesGiveHostPortModeAndPasswordColumn) {
    struct Row {
        std::vector<std::string> lines;
        UpdateSettings expected;
        const char* reason;
    };
    const Row rows[] = {
        {{"ftp.example", "2121", "TRUE"},
         {"ftp.example", 2121, true, false},
         "three lines: the first password column"},
        {{"h", "21", "", "0"},
         {"h", 21, true, true},
         "any fourth line, even 0, selects senha_ftp2"},
        {{"h", "21", "", "no"}, {"h", 21, true, true}, "the word no is still text"},
        {{"h", "21", "", ""}, {"h", 21, true, false}, "an empty fourth line does not"},
        {{"h", "21", "FaLsE"}, {"h", 21, false, false}, "FALSE in any case: active"},
        {{"h", "21", "FALSE "}, {"h", 21, true, false}, "a trailing blank counts as passive"},
        {{"h", "21", " FALSE"}, {"h", 21, true, false}, "so does a leading blank"},
        {{"h", "21", "0"}, {"h", 21, true, false}, "the digit 0 is passive"},
        {{"h", "70000"}, {"h", 4464, true, false}, "the low 16 bits of the port"},
        {{"h", "-1"}, {"h", 65535, true, false}, "a negative port wraps as well"},
        {{"h", " 21"}, {"h", 21, true, false}, "blanks before the number convert"},
        {{" host ", "+21"}, {" host ", 21, true, false}, "the host is taken whole"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reason);
        EXPECT_EQ(parseUpdateSettings(row.lines), row.expected);
    }
}

TEST(UpdateSettingsTest, PortLineThatIsNoNumberRaisesTheConversionError) {
    for (const char* line : {"", "21 ", "abc", "2 1", "0x15", "2147483648", "-2147483649"}) {
        SCOPED_TRACE(line);
        try {
            parseUpdateSettings({"h", line});
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()),
                      "'" + std::string(line) + "' n\xE3o \xE9 um valor inteiro v\xE1lido");
        }
    }
    EXPECT_EQ(settingsInteger("2147483647"), 2147483647);
    EXPECT_EQ(settingsInteger("-2147483648"), -2147483647 - 1);
}

TEST(UpdateSettingsTest, FileOrDefaults) {
    test::TempFolder folder{test::TempFolder::Enter::Yes};
    UpdateSettings defaults = readUpdateSettings();
    EXPECT_EQ(defaults, (UpdateSettings{kDefaultUpdateHost, 21, true, false}));
    EXPECT_EQ(ftpPasswordQuery(defaults), "select senha_ftp from principal");
    EXPECT_EQ(ftpPasswordColumn(defaults), "senha_ftp");

    fileSystem().writeTextLines("atualiza.cfg", {"10.0.0.1", "2121", "false", "x", "ignored"});
    const UpdateSettings read = readUpdateSettings();
    EXPECT_EQ(read, (UpdateSettings{"10.0.0.1", 2121, false, true}));
    EXPECT_EQ(ftpPasswordQuery(read), "select senha_ftp2 from principal");
    EXPECT_EQ(ftpPasswordColumn(read), "senha_ftp2");
}

}  // namespace
}  // namespace velm
