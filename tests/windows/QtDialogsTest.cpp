#include <QAbstractButton>
#include <QMessageBox>
#include <gtest/gtest.h>

#include "platform/Dialogs_qt.h"
#include "support/ModalDriver.h"

namespace velm {
namespace {

// The boxes are modal, captioned "VelmUpdate", carry the ANSI text converted
// and one OK button; only the icon differs.
TEST(QtDialogs, ShowModalBoxesWithTheApplicationCaption) {
    struct Case {
        void (QtDialogs::*show)(const std::string&);
        QMessageBox::Icon icon;
    };
    const Case cases[] = {
        {&QtDialogs::message, QMessageBox::NoIcon},
        {&QtDialogs::information, QMessageBox::Information},
        {&QtDialogs::error, QMessageBox::Critical},
    };
    QtDialogs dialogs;
    for (const Case& c : cases) {
        QString title, text;
        QMessageBox::Icon icon{};
        QList<QAbstractButton*> buttons;
        test::whenShown<QMessageBox>([&](QMessageBox& box) {
            title = box.windowTitle();
            text = box.text();
            icon = box.icon();
            buttons = box.buttons();
            EXPECT_TRUE(box.isModal());
            box.button(QMessageBox::Ok)->click();
        });
        (dialogs.*c.show)("N\xe3o foi poss\xedvel \x80");
        EXPECT_EQ(title, QStringLiteral("VelmUpdate"));
        EXPECT_EQ(text, QString::fromUtf8("Não foi possível €"));
        EXPECT_EQ(icon, c.icon);
        EXPECT_EQ(buttons.size(), 1);
    }
}

}  // namespace
}  // namespace velm
