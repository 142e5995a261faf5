#include "windows/UpgradeWindowView.h"

#include <gtest/gtest.h>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <cstdlib>

#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "platform/QtAnsi.h"
#include "support/ModalDriver.h"
#include "upgrade/CatalogueFixture.h"
#include "upgrade/FbDatabase.h"
#include "upgrade/FbQuery.h"
#include "upgrade/FbTransaction.h"
#include "upgrade/uAguarde.h"
#include "windows/DatabaseList.h"
#include "windows/Unit2.h"

namespace velm {
namespace {

// Saves what the screen shows when VELM_SCREENSHOT_DIR names a folder (run
// under Xvfb with the xcb platform to see the real windows).
void screenshot(QWidget& window, const char* name) {
    const char* folder = std::getenv("VELM_SCREENSHOT_DIR");
    if (!folder) return;
    QTest::qWait(500);  // let every window on screen paint
    const QString base = QString::fromLocal8Bit(folder) + "/" + QString::fromLatin1(name);
    window.grab().save(base + ".png");
    if (QScreen* screen = QGuiApplication::primaryScreen())
        screen->grabWindow(0).save(base + "-screen.png");
}

// The upgrade window shown modally by its owner, over the update window's
// database list, against embedded product databases and an SQLite catalogue.
class UpgradeWindowTest : public ::testing::Test {
protected:
    test::CatalogueFixture catalogue{test::CatalogueFixture::Driver::sqlite};

    // A product database in the working folder, ticked in the list.
    std::string tickedProduct(const std::string& name) {
        const std::string path = work / name;
        FbDatabase::createDatabase(path, kProductUser, kProductPassword, 1);
        FbDatabase db;
        useProductLogin(db);
        db.setDatabaseName(path);
        db.Open();
        for (const char* sql :
             {"CREATE TABLE EMPRESA (NOME VARCHAR(40))", "CREATE TABLE LOG (V VARCHAR(20))"}) {
            FbTransaction tr(&db);
            FbQuery q(db, tr);
            q.setSQL(sql);
            q.ExecQuery();
            tr.Commit();
        }
        fileSystem().writeTextLines("Sys_Info.INI", {"[BancoDeDados]" + path});
        readDatabaseEntry(CheckListBox1);
        CheckListBox1.item(CheckListBox1.count() - 1)->setCheckState(Qt::Checked);
        return path;
    }

    test::TempFolder work{test::TempFolder::Enter::Yes};
    QWidget owner;
    QListWidget CheckListBox1;
    RecordingProcess process;
    ScopedService<Process> installProcess{process};
    FixedClock fixedClock{encodeDateTime({2024, 3, 5, 14, 7, 9, 0})};
    ScopedService<Clock> installClock{fixedClock};
};

TEST_F(UpgradeWindowTest, ShowingRunsTheUpgradeOnTheTickedLinesAndCloses) {
    const std::string ticked = tickedProduct("LOJA.GDB");
    tickedProduct("NAO_MARCADA.GDB");
    CheckListBox1.item(1)->setCheckState(Qt::Unchecked);
    addCatalogueScript(catalogue.admin, {"QUORIX_SENHA", "1", "INSERT INTO LOG VALUES ('1');"});
    addCatalogueScript(catalogue.admin, {"QUORIX_SENHA", "2", "INSERT INTO LOG VALUES ('2');"});

    Taguarde aguarde(&owner);
    connectUpgradeWindow(aguarde, CheckListBox1);
    EXPECT_EQ(tickedDatabaseEntries(CheckListBox1), std::vector<std::string>{ticked});
    aguarde.exec();  // the run closes it

    EXPECT_FALSE(aguarde.isVisible());
    EXPECT_EQ(aguarde.Tag, 0);
    EXPECT_EQ(aguarde.pb1->value(), 100);
    EXPECT_EQ(aguarde.ChaveProduto(), "");
    EXPECT_FALSE(aguarde.connections().FbDatabase1.Connected());
    EXPECT_EQ(aguarde.connections().FbDatabase1.DatabaseName(),
              ticked);  // the unticked one untouched
    EXPECT_TRUE(fileSystem().findFiles("SCRIPT_ERRO*.*").empty());
}

TEST_F(UpgradeWindowTest, FailedScriptShowsTheNoticeAndKeepsTag) {
    tickedProduct("LOJA.GDB");
    addCatalogueScript(catalogue.admin, {"QUORIX_SENHA", "1", "INSERT INTO LOG VALUES ('1');"});
    addCatalogueScript(catalogue.admin,
                       {"QUORIX_SENHA", "2", "INSERT INTO NAO_EXISTE VALUES (1);"});
    addCatalogueScript(catalogue.admin, {"QUORIX_SENHA", "3", "INSERT INTO LOG VALUES ('3');"});

    Taguarde aguarde(&owner);
    connectUpgradeWindow(aguarde, CheckListBox1);
    QString caption;
    QWidget* noticeOwner = nullptr;
    test::whenShown<TForm2>([&](TForm2& notice) {
        caption = notice.Label1->text();
        noticeOwner = notice.parentWidget();
        screenshot(aguarde, "upgrade-window-during-failure");
        notice.Button3->click();
    });
    aguarde.exec();

    const std::vector<std::string> saved = fileSystem().findFiles("SCRIPT_ERRO*.*");
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(caption, fromAnsi("SCRIPT EM EXECU\xC7\xC3O SALVO: " + saved[0]));
    EXPECT_EQ(noticeOwner, &aguarde);
    EXPECT_EQ(aguarde.Tag, 1);
    EXPECT_EQ(aguarde.pb1->value(), 100);
    EXPECT_EQ(process.sleeps, std::vector<int>{1000});
    EXPECT_FALSE(aguarde.isVisible());
    screenshot(aguarde, "upgrade-window-after-run");

    // A second showing runs again; the Tag of the first stays.
    aguarde.exec();
    EXPECT_EQ(aguarde.Tag, 1);
}

TEST_F(UpgradeWindowTest, WithoutAViewAShowingClosesAtOnce) {
    Taguarde aguarde(&owner);
    aguarde.exec();
    EXPECT_FALSE(aguarde.isVisible());
    EXPECT_EQ(aguarde.Tag, 0);
}

}  // namespace
}  // namespace velm
