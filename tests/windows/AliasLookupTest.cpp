#include "windows/AliasLookup.h"

#include <gtest/gtest.h>

#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"

namespace velm {
namespace {

struct EntryCase {
    const char* name;
    std::string line;
    std::string entry;
};

class DatabaseEntryFromLine : public ::testing::TestWithParam<EntryCase> {};

TEST_P(DatabaseEntryFromLine, SkipsFourteenAndTrims) {
    EXPECT_EQ(databaseEntryFromLine(GetParam().line), GetParam().entry);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DatabaseEntryFromLine,
    ::testing::Values(EntryCase{"Empty", "", ""},
                      EntryCase{"FourteenCharacters", "12345678901234", ""},
                      EntryCase{"FifteenthOn", "DatabaseName= C:\\Dados\\SISTEMA.GDB",
                                "C:\\Dados\\SISTEMA.GDB"},
                      // The first fourteen are skipped without a look, whatever they hold.
                      EntryCase{"PrefixUnseen", "xxxxxxxxxxxxxxSISTEMA", "SISTEMA"},
                      EntryCase{"TrimsBlanksAndControls",
                                "12345678901234 \t\x01SISTEMA \x7F\x1F\t ", "SISTEMA \x7F"},
                      EntryCase{"KeepsInnerBlanks", "12345678901234  C:\\Meus Dados\\S.GDB  ",
                                "C:\\Meus Dados\\S.GDB"},
                      EntryCase{"AtMost3000", "12345678901234" + std::string(3000, 'a') + "bbb",
                                std::string(3000, 'a')}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadDatabaseEntry, TakesTheFirstLineOfSysInfo) {
    test::TempFolder folder(test::TempFolder::Enter::Yes);
    fileSystem().writeTextLines("Sys_Info.INI",
                                {"[BancoDeDados]C:\\Dados\\LOJA.gdb  ", "SEGUNDA=x"});
    EXPECT_EQ(readDatabaseEntryText(), "C:\\Dados\\LOJA.gdb");
    fileSystem().writeTextLines("Sys_Info.INI", {});
    EXPECT_EQ(readDatabaseEntryText(), "");
    fileSystem().deleteFile("Sys_Info.INI");
    EXPECT_THROW(readDatabaseEntryText(), FileError);
}

TEST(IsDatabasePath, LooksForGdbOrMdbInAnyCase) {
    EXPECT_TRUE(isDatabasePath("C:\\Dados\\loja.gdb"));
    EXPECT_TRUE(isDatabasePath("servidor:/dados/LOJA.GDB"));
    EXPECT_TRUE(isDatabasePath("c:\\x.Mdb"));
    EXPECT_TRUE(isDatabasePath("ALIAS.GDBX"));  // an alias that looks like a path is a path
    EXPECT_FALSE(isDatabasePath("SISTEMA"));
    EXPECT_FALSE(isDatabasePath("C:\\Dados\\LOJA.FDB"));
    EXPECT_FALSE(isDatabasePath(""));
}

struct PickCase {
    const char* name;
    std::vector<std::string> params;
    std::string parameter;
    std::string value;
};

class PickAliasParameter : public ::testing::TestWithParam<PickCase> {};

TEST_P(PickAliasParameter, FollowsTheMatchingRules) {
    EXPECT_EQ(pickAliasParameter(GetParam().params, GetParam().parameter), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PickAliasParameter,
    ::testing::Values(
        PickCase{"ServerName",
                 {"PATH=x", "SERVER NAME=C:\\A.GDB", "USER NAME=SYSDBA"},
                 "SERVER NAME",
                 "C:\\A.GDB"},
        PickCase{"LastMatchWins",
                 {"SERVER NAME=C:\\A.GDB", "SERVER NAME=C:\\B.GDB"},
                 "SERVER NAME",
                 "C:\\B.GDB"},
        PickCase{"DatabaseNameLaterWins",
                 {"SERVER NAME=C:\\A.GDB", "DATABASE NAME=C:\\D.GDB"},
                 "SERVER NAME",
                 "C:\\D.GDB"},
        PickCase{"ServerNameLaterWins",
                 {"DATABASE NAME=C:\\D.GDB", "SERVER NAME=C:\\A.GDB"},
                 "SERVER NAME",
                 "C:\\A.GDB"},
        PickCase{"DatabaseNameOnlyForServerName", {"DATABASE NAME=C:\\D.GDB"}, "PATH", ""},
        PickCase{"LowerCaseNameDoesNotMatch", {"server name=C:\\A.GDB"}, "SERVER NAME", ""},
        PickCase{"NoBlanksAroundEquals", {"SERVER NAME = C:\\A.GDB"}, "SERVER NAME", ""},
        PickCase{"ValueNotTrimmed", {"SERVER NAME= C:\\A.GDB "}, "SERVER NAME", " C:\\A.GDB "},
        PickCase{"EmptyValue", {"SERVER NAME="}, "SERVER NAME", ""},
        PickCase{"CutAt100",
                 {"SERVER NAME=" + std::string(100, 'p') + "XYZ"},
                 "SERVER NAME",
                 std::string(100, 'p')},
        PickCase{"DatabaseNameCutAt100",
                 {"DATABASE NAME=" + std::string(101, 'd')},
                 "SERVER NAME",
                 std::string(100, 'd')},
        PickCase{"OtherParameter", {"USER NAME=SYSDBA", "USER NAME=ROOT"}, "USER NAME", "ROOT"},
        PickCase{"EmptyParameterName", {"=x", "SERVER NAME=y"}, "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PegaBDEdados, LooksTheAliasUpAndSwallowsFailures) {
    test::TempFolder folder;
    const std::string ini = folder / "aliases.ini";
    fileSystem().writeTextLines(
        ini, {"[SISTEMA]", "TYPE=INTRBASE", "SERVER NAME=/dados/SISTEMA.FDB", "[VAZIO]",
              "[LOJA.GDB]", "SERVER NAME=/nunca/lido.fdb"});
    test::ScopedEnvironment env("VELMUPDATE_ALIASES", ini);
    EXPECT_EQ(PegaBDEdados("SISTEMA", "SERVER NAME"), "/dados/SISTEMA.FDB");
    EXPECT_EQ(PegaBDEdados("SISTEMA", "TYPE"), "INTRBASE");
    EXPECT_EQ(PegaBDEdados("DESCONHECIDO", "SERVER NAME"), "");
    EXPECT_EQ(PegaBDEdados("", "SERVER NAME"), "");
    EXPECT_EQ(PegaBDEdados("SISTEMA", ""), "");

    EXPECT_EQ(resolveEntry("SISTEMA"), "/dados/SISTEMA.FDB");
    EXPECT_EQ(resolveEntry("VAZIO"), "");
    EXPECT_EQ(resolveEntry("LOJA.GDB"), "LOJA.GDB");  // taken as a path, never looked up
    EXPECT_EQ(resolveEntry("/dados/outra.gdb"), "/dados/outra.gdb");
    EXPECT_EQ(resolveEntry(""), "");
    fileSystem().deleteFile(ini);
    EXPECT_EQ(resolveEntry("SISTEMA"), "");
}

}  // namespace
}  // namespace velm
