#include "windows/DatabaseList.h"

#include <gtest/gtest.h>

#include <QListWidget>

#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "support/CatalogueAliases.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"
#include "upgrade/CatalogueDatabase.h"
#include "upgrade/CatalogueSetup.h"
#include "upgrade/DatabaseConnections.h"
#include "upgrade/FbDatabase.h"

namespace velm {
namespace {

// A shop folder (the current one meanwhile) with Sys_Info.INI, an alias
// store, an SQLite catalogue and a product database PRODUTO.gdb.
class DatabaseListTest : public ::testing::Test {
protected:
    void SetUp() override {
        product = folder / "PRODUTO.gdb";
        FbDatabase::createDatabase(product, kProductUser, kProductPassword, 1);
        catalogue = folder / "catalogo.db";
        fileSystem().writeTextLines(catalogue, {});
        writeAliases({});
        CatalogueDatabase admin;
        admin.AliasName = "Admin";
        createCatalogueTables(admin);
    }

    // The alias store: the catalogue, its admin alias and the given sections.
    void writeAliases(const std::vector<std::string>& more,
                      const std::vector<std::string>& check = {}) {
        test::writeCatalogueAliases(aliases,
                                    check.empty() ? test::sqliteCatalogueAlias(catalogue, false)
                                                  : check,
                                    test::sqliteCatalogueAlias(catalogue, true), more);
    }

    void writeSysInfo(const std::string& firstLine) {
        fileSystem().writeTextLines("Sys_Info.INI", {firstLine, "OUTRA=linha"});
    }

    bool checked(int row) const { return CheckListBox1.item(row)->checkState() == Qt::Checked; }

    std::vector<std::string> messages() const {
        std::vector<std::string> texts;
        for (const auto& shown : dialogs.shown) {
            EXPECT_EQ(shown.kind, RecordingDialogs::Kind::Message);
            texts.push_back(shown.text);
        }
        return texts;
    }

    test::TempFolder folder{test::TempFolder::Enter::Yes};
    std::string product;
    std::string catalogue;
    std::string aliases = folder / "aliases.ini";
    test::ScopedEnvironment env{"VELMUPDATE_ALIASES", aliases};
    RecordingDialogs dialogs;
    ScopedService<Dialogs> installDialogs{dialogs};
    QListWidget CheckListBox1;
    DatabaseConnections connections;
};

TEST_F(DatabaseListTest, PathEntryInAnyCasePassesAndTicks) {
    writeSysInfo("[BancoDeDados]  " + product + " \t");
    readDatabaseEntry(CheckListBox1);
    ASSERT_EQ(CheckListBox1.count(), 1);
    EXPECT_EQ(databaseEntry(*CheckListBox1.item(0)), product);
    EXPECT_TRUE(CheckListBox1.item(0)->flags() & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(checked(0));

    EXPECT_TRUE(testDatabaseEntries(CheckListBox1, connections));
    EXPECT_TRUE(checked(0));
    EXPECT_TRUE(messages().empty());
    // The catalogue stays open for the update run; the product database is
    // closed again and keeps the tested path.
    EXPECT_TRUE(connections.Database1.Connected());
    EXPECT_FALSE(connections.FbDatabase1.Connected());
    EXPECT_EQ(connections.FbDatabase1.connectionId(), 1u);
    EXPECT_EQ(connections.FbDatabase1.DatabaseName(), product);
}

TEST_F(DatabaseListTest, AliasEntryTakesTheLastMatchingParameterLine) {
    writeAliases({"[LOJA]", "SERVER NAME=" + folder / "NAO_EXISTE.FDB", "server name=ignorado",
                  "DATABASE NAME=" + product});
    writeSysInfo("xxxxxxxxxxxxxxLOJA");
    readDatabaseEntry(CheckListBox1);
    EXPECT_TRUE(testDatabaseEntries(CheckListBox1, connections));
    EXPECT_TRUE(checked(0));
    EXPECT_EQ(connections.FbDatabase1.DatabaseName(), product);
}

TEST_F(DatabaseListTest, EmptyOrUnknownEntryIsAnAliasNotFound) {
    fileSystem().writeTextLines("Sys_Info.INI", {});
    readDatabaseEntry(CheckListBox1);
    writeSysInfo("12345678901234SEMALIAS");
    readDatabaseEntry(CheckListBox1);
    EXPECT_EQ(databaseEntry(*CheckListBox1.item(0)), "");

    EXPECT_FALSE(testDatabaseEntries(CheckListBox1, connections));
    EXPECT_EQ(messages(), std::vector<std::string>{"Alias  do BDE n\xE3o encontrado."});
    EXPECT_FALSE(checked(0));
    EXPECT_FALSE(checked(1));
    EXPECT_FALSE(connections.Database1.Connected());

    delete CheckListBox1.takeItem(0);
    dialogs.shown.clear();
    EXPECT_FALSE(testDatabaseEntries(CheckListBox1, connections));
    EXPECT_EQ(messages(), std::vector<std::string>{"Alias SEMALIAS do BDE n\xE3o encontrado."});
}

TEST_F(DatabaseListTest, UnreachableCatalogueNeverOpensTheProductDatabase) {
    writeAliases({}, {"DRIVER=MYSQL", "SERVER NAME=127.0.0.1", "PORT=1", "CONNECT TIMEOUT=2"});
    writeSysInfo("[BancoDeDados]" + product);
    readDatabaseEntry(CheckListBox1);
    EXPECT_FALSE(testDatabaseEntries(CheckListBox1, connections));
    EXPECT_EQ(messages(),
              std::vector<std::string>{"Conex\xE3o com o MYSQL da internet n\xE3o localizado."});
    EXPECT_FALSE(checked(0));
    EXPECT_FALSE(connections.Database1.Connected());
    EXPECT_FALSE(connections.FbDatabase1.Connected());
    EXPECT_EQ(connections.FbDatabase1.connectionId(), 0u);  // never opened
    EXPECT_EQ(connections.FbDatabase1.DatabaseName(), product);
}

TEST_F(DatabaseListTest, MissingProductDatabaseClosesBothAndStops) {
    const std::string missing = folder / "SUMIU.FDB";
    writeAliases({"[LOJA]", "SERVER NAME=" + missing});
    writeSysInfo("[BancoDeDados]" + product);
    readDatabaseEntry(CheckListBox1);
    writeSysInfo("[BancoDeDados]LOJA");
    readDatabaseEntry(CheckListBox1);
    writeSysInfo("[BancoDeDados]" + product);
    readDatabaseEntry(CheckListBox1);

    EXPECT_FALSE(testDatabaseEntries(CheckListBox1, connections));
    EXPECT_EQ(messages(),
              std::vector<std::string>{"Alias LOJA encontrado, mas arquivo apontado por ele " +
                                       missing + " n\xE3o foi encontrado."});
    EXPECT_TRUE(checked(0));
    EXPECT_FALSE(checked(1));
    EXPECT_FALSE(checked(2));  // never tested
    EXPECT_FALSE(connections.Database1.Connected());
    EXPECT_FALSE(connections.FbDatabase1.Connected());
}

TEST_F(DatabaseListTest, MissingPathUsesTheAliasWordingToo) {
    const std::string missing = folder / "SUMIU.GDB";
    writeSysInfo("[BancoDeDados]" + missing);
    readDatabaseEntry(CheckListBox1);
    EXPECT_FALSE(testDatabaseEntries(CheckListBox1, connections));
    EXPECT_EQ(messages(), std::vector<std::string>{"Alias " + missing +
                                                   " encontrado, mas arquivo apontado por ele " +
                                                   missing + " n\xE3o foi encontrado."});
}

TEST_F(DatabaseListTest, AliasValueIsCutAtOneHundredCharacters) {
    const std::string longPath = folder / (std::string(120, 'p') + ".FDB");
    writeAliases({"[LONGO]", "SERVER NAME=" + longPath});
    writeSysInfo("[BancoDeDados]LONGO");
    readDatabaseEntry(CheckListBox1);
    EXPECT_FALSE(testDatabaseEntries(CheckListBox1, connections));
    const std::string cut = longPath.substr(0, 100);
    EXPECT_EQ(connections.FbDatabase1.DatabaseName(), cut);
    EXPECT_EQ(messages(),
              std::vector<std::string>{"Alias LONGO encontrado, mas arquivo apontado por ele " +
                                       cut + " n\xE3o foi encontrado."});
}

TEST_F(DatabaseListTest, EntryBytesSurviveTheList) {
    // 0x81 has no character in Windows-1252: shown somehow, kept exactly.
    writeSysInfo("[BancoDeDados]LOJA\x81\xE7");
    readDatabaseEntry(CheckListBox1);
    EXPECT_EQ(databaseEntry(*CheckListBox1.item(0)), "LOJA\x81\xE7");
    EXPECT_FALSE(testDatabaseEntries(CheckListBox1, connections));
    EXPECT_EQ(messages(), std::vector<std::string>{"Alias LOJA\x81\xE7 do BDE n\xE3o encontrado."});
}

TEST_F(DatabaseListTest, UnreadableSysInfoRaises) {
    EXPECT_THROW(readDatabaseEntry(CheckListBox1), FileError);
    EXPECT_EQ(CheckListBox1.count(), 0);
}

}  // namespace
}  // namespace velm
