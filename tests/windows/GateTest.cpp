#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/Dialogs.h"
#include "platform/QtAnsi.h"
#include "support/ModalDriver.h"
#include "support/TempFolder.h"
#include "widgets/Gradient.h"
#include "widgets/Label3D.h"
#include "widgets/PixelTools.h"
#include "windows/Unit1.h"
#include "windows/Unit2.h"

namespace velm {
namespace {

namespace fs = std::filesystem;

void touch(const fs::path& path) { std::ofstream(path) << "saved script\r\n"; }

// Shows the gate modally as the start sequence does; the notice, if any, is
// closed by "&Cont.." as soon as it is on screen. Returns the notice's caption
// (empty when the gate never handed over to the notice and was left by "&Sair").
QString runGateClosingNotice(TForm1& gate) {
    QString noticeCaption;
    test::whenShown<TForm2>([&](TForm2& notice) {
        noticeCaption = notice.Label1->text();
        notice.Button3->click();
    });
    // A gate that stays on screen (no file found) would wait for ever.
    QTimer::singleShot(5000, &gate, [&gate] {
        if (gate.isVisible()) gate.Button3->click();
    });
    gate.exec();
    return noticeCaption;
}

class GateTest : public ::testing::Test {
protected:
    test::TempFolder folder{test::TempFolder::Enter::Yes};
    RecordingDialogs dialogs;
    ScopedService<Dialogs> useDialogs{dialogs};
};

TEST_F(GateTest, SavedScriptFileOrFolderBlocksTheStartAndStays) {
    struct Case {
        const char* what;
        bool folder;
        const char* nameOnDisk;  // UTF-8, as the Linux file system holds it
        const char* shownName;
    };
    const Case cases[] = {
        {"a file", false, "SCRIPT_ERRO_DT_01-02-2026_HR_10-11-12 BASE.TXT",
         "SCRIPT_ERRO_DT_01-02-2026_HR_10-11-12 BASE.TXT"},
        {"a folder", true, "SCRIPT_ERRO", "SCRIPT_ERRO"},
        {"a name without extension", false, "SCRIPT_ERRO_X", "SCRIPT_ERRO_X"},
        // The program cannot name it, but it still blocks: "?" stands for
        // each character without an ANSI form, as the system's 8-bit search
        // delivers it.
        {"a name without an ANSI form", false, "SCRIPT_ERRO_\xE6\x97\xA5\xE6\x9C\xAC.TXT",
         "SCRIPT_ERRO_??.TXT"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto& entry : fs::directory_iterator(".")) fs::remove_all(entry.path());
        if (c.folder)
            fs::create_directory(c.nameOnDisk);
        else
            touch(c.nameOnDisk);
        TForm1 gate;
        const QString caption = runGateClosingNotice(gate);
        EXPECT_EQ(caption, QString::fromUtf8("SCRIPT EM EXECUÇÃO SALVO: ") + c.shownName);
        EXPECT_EQ(gate.Tag, 0);
        EXPECT_FALSE(gate.isVisible());
        EXPECT_TRUE(fs::exists(c.nameOnDisk)) << "the saved file is never removed";
        EXPECT_TRUE(Form2.isNull()) << "the notice is destroyed after it was shown";
    }
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(GateTest, NoticeNamesTheFirstSavedFileCaseInsensitivelyWithoutFolder) {
    touch("script_erro_b.txt");
    touch("SCRIPT_ERRO_C.TXT");
    touch("Script_Erro_a.txt");
    touch("SCRIPT_ERRADO.TXT");  // not a saved script
    fs::create_directory("sub");
    touch("sub/SCRIPT_ERRO_0.TXT");  // below the folder: not looked at
    TForm1 gate;
    EXPECT_EQ(runGateClosingNotice(gate),
              QString::fromUtf8("SCRIPT EM EXECUÇÃO SALVO: Script_Erro_a.txt"));
    EXPECT_EQ(gate.Tag, 0);
}

TEST_F(GateTest, SavedFileNameKeepsItsAnsiCharacters) {
    touch(fromAnsi("SCRIPT_ERRO_DT_01_HR_02 S\xc3O PAULO.TXT").toStdString());
    TForm1 gate;
    EXPECT_EQ(runGateClosingNotice(gate),
              QString::fromUtf8("SCRIPT EM EXECUÇÃO SALVO: SCRIPT_ERRO_DT_01_HR_02 SÃO PAULO.TXT"));
}

TEST_F(GateTest, ContinueFollowsBothBoxes) {
    TForm1 gate;
    gate.show();
    EXPECT_FALSE(gate.BitBtn1->isEnabled());
    gate.CheckBox1->click();
    EXPECT_FALSE(gate.BitBtn1->isEnabled());
    gate.CheckBox2->click();
    EXPECT_TRUE(gate.BitBtn1->isEnabled());
    gate.CheckBox1->click();
    EXPECT_FALSE(gate.BitBtn1->isEnabled()) << "unticking either box disables it again";
    gate.CheckBox1->click();
    gate.CheckBox2->click();
    EXPECT_FALSE(gate.BitBtn1->isEnabled());
    gate.CheckBox2->click();
    EXPECT_TRUE(gate.BitBtn1->isEnabled());
    EXPECT_EQ(gate.Tag, 0);
    gate.close();
}

TEST_F(GateTest, OnlyContinueConfirms) {
    struct Case {
        const char* how;
        std::function<void(TForm1&)> leave;
        int tag;
    };
    const Case cases[] = {
        {"&Continuar", [](TForm1& g) { g.CheckBox1->click(); g.CheckBox2->click(); g.BitBtn1->click(); }, 1},
        {"&Sair", [](TForm1& g) { g.Button3->click(); }, 0},
        {"&Sair with both boxes ticked", [](TForm1& g) { g.CheckBox1->click(); g.CheckBox2->click(); g.Button3->click(); }, 0},
        {"the close button", [](TForm1& g) { g.close(); }, 0},
        {"Alt+S", [](TForm1& g) { QTest::keyClick(&g, Qt::Key_S, Qt::AltModifier); }, 0},
        {"Alt+C", [](TForm1& g) { g.CheckBox1->click(); g.CheckBox2->click(); QTest::keyClick(&g, Qt::Key_C, Qt::AltModifier); }, 1},
        {"Alt+C while disabled, then &Sair", [](TForm1& g) { QTest::keyClick(&g, Qt::Key_C, Qt::AltModifier); g.Button3->click(); }, 0},
        {"Escape does not close, &Sair does", [](TForm1& g) { QTest::keyClick(&g, Qt::Key_Escape); EXPECT_TRUE(g.isVisible()); g.Button3->click(); }, 0},
        // No button is the default: Enter on a box clicks nothing, and no
        // button wears the default frame.
        {"Enter on the ticked boxes does not confirm, &Sair then leaves",
         [](TForm1& g) {
             g.CheckBox1->click();
             g.CheckBox2->click();
             for (QCheckBox* box : {g.CheckBox1, g.CheckBox2}) {
                 box->setFocus();
                 QTest::keyClick(box, Qt::Key_Return);
                 QTest::keyClick(box, Qt::Key_Enter, Qt::KeypadModifier);
             }
             EXPECT_TRUE(g.isVisible());
             EXPECT_FALSE(g.BitBtn1->isDefault());
             EXPECT_FALSE(g.Button3->isDefault());
             g.Button3->click();
         },
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        TForm1 gate;
        test::whenShown<TForm1>([&](TForm1& shown) { c.leave(shown); });
        gate.exec();
        EXPECT_EQ(gate.Tag, c.tag);
        EXPECT_FALSE(gate.isVisible());
    }
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(GateTest, LayoutAsDesigned) {
    TForm1 gate;
    EXPECT_EQ(gate.windowTitle(), QString::fromUtf8("Atualização"));
    EXPECT_EQ(gate.size(), QSize(906, 610));
    EXPECT_EQ(gate.BitBtn1->text(), QStringLiteral("&Continuar  "));
    EXPECT_EQ(gate.Button3->text(), QStringLiteral("&Sair"));
    EXPECT_EQ(gate.CheckBox1->geometry(), QRect(39, 560, 15, 17));
    EXPECT_EQ(gate.CheckBox2->geometry(), QRect(39, 583, 15, 17));
    EXPECT_EQ(gate.BitBtn1->geometry(), QRect(629, 567, 139, 38));
    EXPECT_EQ(gate.Button3->geometry(), QRect(795, 567, 90, 38));
    EXPECT_FALSE(gate.CheckBox1->isChecked());
    EXPECT_FALSE(gate.CheckBox2->isChecked());
    // Tab order: the two boxes, then the buttons.
    EXPECT_EQ(gate.CheckBox1->nextInFocusChain(), gate.CheckBox2);
    EXPECT_EQ(gate.CheckBox2->nextInFocusChain(), gate.BitBtn1);
    EXPECT_EQ(gate.BitBtn1->nextInFocusChain(), gate.Button3);
    // Back to front: the gradient first, the warning over it.
    const QObjectList& children = gate.children();
    EXPECT_LT(children.indexOf(static_cast<QObject*>(gate.Gradient1)),
              children.indexOf(static_cast<QObject*>(gate.Label3D1)));
}

TEST_F(GateTest, ConfirmationBoxesAreDrawnInTheirOwnColour) {
    TForm1 gate;
    gate.show();
    const QImage image = gate.grab().toImage();
    for (QCheckBox* box : {gate.CheckBox1, gate.CheckBox2}) {
        // The box's bottom row lies below the tick mark's square: only the
        // control's colour shows there.
        const QRect area = box->geometry();
        for (int x = area.left(); x <= area.right(); ++x)
            ASSERT_EQ(QColor(image.pixel(x, area.bottom())).name().toStdString(), "#ca6500")
                << "at " << x << ", " << area.bottom();  // RGB 202, 101, 0
    }
    gate.close();
}

// The large warnings are centred on their designed rectangles, whatever width
// the substitute font leaves them after sizing to their text.
TEST_F(GateTest, WarningCaptionsKeepTheirDesignedCentre) {
    TForm1 gate;
    gate.show();
    TForm2 notice(&gate);
    notice.show();
    struct Case {
        const char* window;
        QWidget& shown;
        TLabel3D& caption;
        QColor textColour;
        int designedCentre;
    };
    const Case cases[] = {
        {"gate", gate, *gate.Label3D1, Qt::white, 6 + 889 / 2},
        {"notice", notice, *notice.Label3D1, Qt::yellow, 96 + 635 / 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.window);
        EXPECT_NEAR(c.caption.geometry().center().x(), c.designedCentre, 1);
        // The widest line, as drawn, is centred there too (within the
        // glyphs' side bearings: ink is not advance).
        const QImage image = c.shown.grab(c.caption.geometry()).toImage();
        const QRect text = test::boundingBoxOf(image, c.textColour);
        ASSERT_FALSE(text.isEmpty());
        EXPECT_NEAR(c.caption.x() + text.center().x(), c.designedCentre, 4);
    }
    notice.close();
    gate.close();
}

}  // namespace
}  // namespace velm
