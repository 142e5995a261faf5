#include "upgrade/AliasStore.h"

#include <gtest/gtest.h>

#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"
#include "upgrade/DatabaseError.h"

namespace velm {
namespace {

class AliasStoreTest : public ::testing::Test {
protected:
    void write(const std::vector<std::string>& lines) { fileSystem().writeTextLines(file, lines); }
    test::TempFolder folder;
    std::string file = folder / "aliases.ini";
};

TEST_F(AliasStoreTest, GivesTheSectionLinesInFileOrder) {
    write({"; comment before any section", "IGNORED=1", "[Check]", "DRIVER=MYSQL",
           "  SERVER NAME=db.example  ", "", "# comment", "PORT=3306", "[SISTEMA]",
           "SERVER NAME=C:\\Dados\\SISTEMA.GDB", "server name=lower", "DATABASE NAME=x"});
    const AliasStore store(file);
    EXPECT_EQ(store.GetAliasParams("Check"),
              (std::vector<std::string>{"DRIVER=MYSQL", "SERVER NAME=db.example", "PORT=3306"}));
    // Alias names ignore letter case, parameter lines keep theirs.
    EXPECT_EQ(store.GetAliasParams("sistema"),
              (std::vector<std::string>{"SERVER NAME=C:\\Dados\\SISTEMA.GDB", "server name=lower",
                                        "DATABASE NAME=x"}));
    EXPECT_EQ(store.aliasNames(), (std::vector<std::string>{"Check", "SISTEMA"}));
}

TEST_F(AliasStoreTest, UnknownAliasAndUnreadableFileRaise) {
    write({"[Check]", "DRIVER=SQLITE"});
    EXPECT_THROW(AliasStore(file).GetAliasParams("Outro"), DatabaseError);
    EXPECT_THROW(AliasStore(folder / "missing.ini").GetAliasParams("Check"), FileError);
}

TEST_F(AliasStoreTest, ProcessStoreComesFromTheEnvironment) {
    write({"[Check]", "DRIVER=SQLITE", "[EMPTY]"});
    {
        test::ScopedEnvironment env("VELMUPDATE_ALIASES", file);
        EXPECT_EQ(GetAliasParams("CHECK"), std::vector<std::string>{"DRIVER=SQLITE"});
        EXPECT_TRUE(GetAliasParams("empty").empty());
    }
    test::ScopedEnvironment unset("VELMUPDATE_ALIASES", "");
    EXPECT_THROW(GetAliasParams("Check"), DatabaseError);
}

TEST(AliasParameter, NameIgnoresCaseAndTheLastLineWins) {
    const std::vector<std::string> params = {"DRIVER=MYSQL", "Port=1", "PORT=3307", "NOEQUALS",
                                             "HOST=a=b"};
    EXPECT_EQ(aliasParameter(params, "port"), "3307");
    EXPECT_EQ(aliasParameter(params, "HOST"), "a=b");
    EXPECT_EQ(aliasParameter(params, "USER NAME"), "");
}

}  // namespace
}  // namespace velm
