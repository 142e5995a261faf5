#include "upgrade/uAguarde.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>

#include "upgrade/CatalogueFixture.h"
#include "upgrade/CatalogueLogin.h"
#include "upgrade/Desembaralha.h"

namespace velm {
namespace {

QColor textColour(const QLabel& label) {
    return label.palette().color(QPalette::WindowText);
}

TEST(Taguarde, LayoutFollowsTheDesign) {
    QWidget owner;
    Taguarde aguarde(&owner);
    EXPECT_EQ(aguarde.parentWidget(), &owner);
    EXPECT_TRUE(aguarde.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(aguarde.windowTitle(), "Aviso");
    EXPECT_EQ(aguarde.size(), QSize(183, 90));
    EXPECT_EQ(aguarde.minimumSize(), aguarde.maximumSize());
    EXPECT_EQ(aguarde.pos(), QPoint(150, 105));

    EXPECT_EQ(aguarde.Shape1->geometry(), QRect(0, 0, 183, 90));
    EXPECT_EQ(aguarde.Bevel1->geometry(), QRect(0, 0, 183, 37));
    EXPECT_EQ(aguarde.Bevel1->frameShadow(), QFrame::Sunken);

    EXPECT_EQ(aguarde.AGUARDE->text(), "Aguarde...");
    EXPECT_EQ(aguarde.AGUARDE->pos(), QPoint(18, 10));
    EXPECT_EQ(aguarde.AGUARDE->font().pixelSize(), 15);
    EXPECT_TRUE(aguarde.AGUARDE->font().bold());
    EXPECT_EQ(aguarde.AGUARDE->font().families().value(0), "Verdana");
    EXPECT_EQ(textColour(*aguarde.AGUARDE), QColor(255, 255, 242));
    EXPECT_FALSE(aguarde.AGUARDE->autoFillBackground());

    EXPECT_EQ(aguarde.Label1->text(), "Verificando Scripts");
    EXPECT_EQ(aguarde.Label1->pos(), QPoint(32, 48));
    EXPECT_EQ(aguarde.Label1->font().pixelSize(), 11);
    EXPECT_EQ(aguarde.Label1->font().families().value(0), "MS Sans Serif");
    EXPECT_EQ(textColour(*aguarde.Label1), QColor(192, 192, 192));

    EXPECT_EQ(aguarde.pb1->geometry(), QRect(28, 68, 122, 17));
    EXPECT_EQ(aguarde.pb1->minimum(), 1);
    EXPECT_EQ(aguarde.pb1->maximum(), 100);
    EXPECT_EQ(aguarde.pb1->value(), 1);

    // Edit1 lies beyond the right edge, out of sight.
    EXPECT_EQ(aguarde.Edit1->x(), 192);

    // Back to front: the black shape, the bevel, the labels, the bar.
    const QObjectList children = aguarde.children();
    const auto at = [&](QObject* o) { return children.indexOf(o); };
    EXPECT_LT(at(aguarde.Shape1), at(aguarde.Bevel1));
    EXPECT_LT(at(aguarde.Bevel1), at(aguarde.AGUARDE));
    EXPECT_LT(at(aguarde.AGUARDE), at(aguarde.Label1));
    EXPECT_LT(at(aguarde.Label1), at(aguarde.pb1));

    const QImage image = aguarde.grab().toImage();
    EXPECT_EQ(QColor(image.pixel(5, 60)), QColor(Qt::black));
    EXPECT_EQ(QColor(image.pixel(175, 80)), QColor(Qt::black));
}

TEST(Taguarde, CreationPreparesTheLoginAndOpensNothing) {
    Taguarde aguarde(nullptr);
    DatabaseConnections& c = aguarde.connections();
    EXPECT_EQ(aguarde.Tag, 0);
    EXPECT_EQ(aguarde.ChaveProduto(), "");
    EXPECT_EQ(c.Database1.AliasName, "Check");
    EXPECT_EQ(c.Database1.DatabaseName, "Sistema_my");
    EXPECT_FALSE(c.Database1.LoginPrompt);
    ASSERT_EQ(c.Database1.Params.size(), 2u);
    EXPECT_EQ(c.Database1.Params[0].rfind("USER NAME=", 0), 0u);
    EXPECT_EQ(c.Database1.Params[1].rfind("PASSWORD=", 0), 0u);
    // The stored values are 11 and 19 characters: the clear ones 10 and 18.
    EXPECT_EQ(c.Database1.Params[0].size(), std::string("USER NAME=").size() + 10);
    EXPECT_EQ(c.Database1.Params[1].size(), std::string("PASSWORD=").size() + 18);
    if (storedCatalogueUserName() == "1yhopxsgdwh") {
        EXPECT_EQ(c.Database1.Params[0], "USER NAME=" + test::kCatalogueUser);
        EXPECT_EQ(c.Database1.Params[1], "PASSWORD=" + test::kCataloguePassword);
    }
    EXPECT_FALSE(c.Database1.Connected());

    EXPECT_EQ(c.FbDatabase1.Params,
              (std::vector<std::string>{"user_name=ROOT", "sql_dialect=1", "password=857461"}));
    EXPECT_EQ(c.FbDatabase1.SQLDialect(), 1);
    EXPECT_EQ(c.FbDatabase1.DatabaseName(), "");
    EXPECT_FALSE(c.FbDatabase1.Connected());
    EXPECT_EQ(c.FbTransaction1.DefaultDatabase(), &c.FbDatabase1);
    EXPECT_EQ(c.FbTransaction2.DefaultDatabase(), &c.FbDatabase1);
    EXPECT_EQ(&c.FbScript1.Transaction(), &c.FbTransaction1);
    EXPECT_EQ(&c.FbQuery1.Transaction(), &c.FbTransaction2);
    EXPECT_EQ(c.FbScript1.Terminator(), ";");
    EXPECT_TRUE(c.FbScript1.AutoDDL());

    EXPECT_EQ(c.Table2.TableName, "scripts");
    EXPECT_EQ(c.Table2.MasterFields, "programa;versao");
    EXPECT_EQ(c.Table2.MasterSource, &c.Query2);
    EXPECT_EQ(c.DBMemo1.DataSource, &c.Table2);
    EXPECT_EQ(c.DBMemo1.DataField, "texto");

    EXPECT_EQ(aguarde.Timer1.interval(), 100);
    EXPECT_TRUE(aguarde.Timer1.isSingleShot());
    EXPECT_FALSE(aguarde.Timer1.isActive());

    // Creating again resets the product key and rebuilds exactly two lines.
    aguarde.setChaveProduto("QUORIX_SENHA");
    c.Database1.Params.push_back("X=1");
    aguarde.FormCreate();
    EXPECT_EQ(aguarde.ChaveProduto(), "");
    EXPECT_EQ(c.Database1.Params.size(), 2u);
}

TEST(Taguarde, ShowingArmsTheTimerAndOnlyTheRunCloses) {
    QWidget owner;
    Taguarde aguarde(&owner);
    aguarde.Tag = 1;
    aguarde.show();
    EXPECT_TRUE(aguarde.Timer1.isActive());
    EXPECT_TRUE(aguarde.Edit1->hasFocus() || QApplication::focusWidget() == nullptr ||
                QApplication::focusWidget() == aguarde.Edit1);

    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&aguarde, &escape);
    EXPECT_TRUE(aguarde.isVisible());

    // The timer's handler disables the timer first.
    aguarde.Timer1Timer();
    EXPECT_FALSE(aguarde.Timer1.isActive());
    aguarde.close();
    EXPECT_FALSE(aguarde.isVisible());
    aguarde.show();  // every showing arms it again
    EXPECT_TRUE(aguarde.Timer1.isActive());
    aguarde.close();
    EXPECT_EQ(aguarde.Tag, 1);  // never set back by the window
}

// The compiled-in login opens the test catalogue's own account on MariaDB.
TEST(TaguardeCatalogue, DefaultLoginOpensTheCatalogue) {
    VELM_REQUIRE_TEST_MYSQL();
    if (storedCatalogueUserName() != "1yhopxsgdwh")
        GTEST_SKIP() << "the build carries another catalogue login";
    test::CatalogueFixture catalogue(test::CatalogueFixture::Driver::mysql);
    addCatalogueScript(catalogue.admin, {"QUORIX_SENHA", "1", "ALTER TABLE A ADD B INTEGER;"});
    Taguarde aguarde(nullptr);
    DatabaseConnections& c = aguarde.connections();
    c.Query3.setSQL("select count(*) ct from scripts");
    c.Query3.Open();
    EXPECT_TRUE(c.Database1.Connected());
    EXPECT_EQ(c.Query3.FieldByName("ct").AsInteger(), 1);
}

}  // namespace
}  // namespace velm
