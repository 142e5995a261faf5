// The title bars as the window system shows them. Qt can add to a window's
// title on its way there (the application's display name), which the
// widget's own windowTitle() never shows, so the titles are read back from
// the X server: this test runs on the xcb platform under Xvfb (a CTest entry
// of its own) and is skipped on the others.
#include <gtest/gtest.h>
#include <xcb/xcb.h>
#include <QCheckBox>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>

#include "platform/Dialogs_qt.h"
#include "support/FakeRegistry.h"
#include "support/ModalDriver.h"
#include "support/TempFolder.h"
#include "windows/StartSequence.h"
#include "windows/Unit1.h"
#include "windows/Unit2.h"
#include "windows/untfrmvelmupdate.h"

namespace velm {
namespace {

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name) {
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// The window's _NET_WM_NAME as the X server holds it.
QString windowSystemTitle(QWidget& window) {
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11->connection();
    const xcb_get_property_cookie_t cookie = xcb_get_property(
        connection, 0, static_cast<xcb_window_t>(window.winId()),
        internAtom(connection, "_NET_WM_NAME"), internAtom(connection, "UTF8_STRING"), 0, 1024);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(connection, cookie, nullptr), &std::free);
    if (!reply) return QStringLiteral("(no reply)");
    return QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(reply.get())),
                             xcb_get_property_value_length(reply.get()));
}

TEST(WindowTitles, EachWindowShowsItsOwnCaptionAndOnlyMessageBoxesTheApplicationTitle) {
    if (QGuiApplication::platformName() != QStringLiteral("xcb"))
        GTEST_SKIP() << "reads the X server; runs as WindowTitlesUnderX";
    test::TempFolder folder(test::TempFolder::Enter::Yes);
    test::FakeRegistry registry;
    registry.set(test::kCurrentVersionKey, "ProgramFilesDir", folder.name());
    ScopedService<Registry> useRegistry(registry);
    QtDialogs dialogs;
    ScopedService<Dialogs> useDialogs(dialogs);
    std::map<std::string, QString> titles;

    // The start as the operator sees it: the gate, confirmed, then the update window.
    test::whenShown<TForm1>([&](TForm1& gate) {
        titles["gate"] = windowSystemTitle(gate);
        gate.CheckBox1->click();
        gate.CheckBox2->click();
        gate.BitBtn1->click();
    });
    test::whenShown<Tfrmvelmupdate>([&](Tfrmvelmupdate& window) {
        titles["update window"] = windowSystemTitle(window);
        window.Button3->click();
    });
    ASSERT_EQ(runStartSequence(*qApp), 0);

    // A saved failed script: the notice.
    std::ofstream("SCRIPT_ERRO_X.TXT") << "ALTER TABLE X;\r\n";
    test::whenShown<TForm2>([&](TForm2& notice) {
        titles["notice"] = windowSystemTitle(notice);
        notice.Button3->click();
    });
    ASSERT_EQ(runStartSequence(*qApp), 0);

    test::whenShown<QMessageBox>([&](QMessageBox& box) {
        titles["message box"] = windowSystemTitle(box);
        box.accept();
    });
    dialogs.message("Mensagem");

    const std::map<std::string, std::string> expected = {
        {"gate", "Atualização"},
        {"update window", "Atualização de Sistema"},
        {"notice", "Erro"},
        {"message box", "VelmUpdate"},
    };
    for (const auto& [window, title] : expected)
        EXPECT_EQ(titles[window].toStdString(), title) << window;
}

}  // namespace
}  // namespace velm
