#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QThread>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "platform/Dialogs.h"
#include "support/FakeRegistry.h"
#include "support/ModalDriver.h"
#include "support/TempFolder.h"
#include "windows/StartSequence.h"
#include "windows/Unit1.h"
#include "windows/Unit2.h"
#include "windows/untfrmvelmupdate.h"

namespace velm {
namespace {

namespace fs = std::filesystem;

// Every entry of the folder with its size and time, to show nothing changed.
std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>> snapshot() {
    std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>> entries;
    for (const auto& e : fs::recursive_directory_iterator(".")) {
        entries[e.path().string()] = {e.is_regular_file() ? e.file_size() : 0,
                                      e.last_write_time()};
    }
    return entries;
}

class StartSequenceTest : public ::testing::Test {
protected:
    StartSequenceTest() {
        registry.set(test::kCurrentVersionKey, "ProgramFilesDir", folder.name() + "/Programas");
        std::ofstream("Sys_Info.INI") << "[BANCO]\r\nBanco=C:\\dados\\BASE.GDB\r\n";
    }
    test::TempFolder folder{test::TempFolder::Enter::Yes};
    RecordingDialogs dialogs;
    ScopedService<Dialogs> useDialogs{dialogs};
    test::FakeRegistry registry;
    ScopedService<Registry> useRegistry{registry};
};

TEST_F(StartSequenceTest, UnconfirmedGateEndsWithoutAnyCheck) {
    const std::function<void(TForm1&)> ways[] = {
        [](TForm1& gate) { gate.Button3->click(); },
        [](TForm1& gate) { gate.close(); },
        [](TForm1& gate) {  // both boxes ticked, then "&Sair"
            gate.CheckBox1->click();
            gate.CheckBox2->click();
            gate.Button3->click();
        },
    };
    for (const auto& leave : ways) {
        const auto before = snapshot();
        test::whenShown<TForm1>(leave);
        EXPECT_EQ(runStartSequence(*qApp), 0);
        EXPECT_EQ(registry.reads, 0) << "the update window's checks never ran";
        EXPECT_TRUE(dialogs.shown.empty());
        EXPECT_EQ(snapshot(), before);
        EXPECT_EQ(Form1, nullptr);
    }
}

TEST_F(StartSequenceTest, SavedScriptFileEndsTheStartAndStays) {
    std::ofstream("SCRIPT_ERRO_DT_10-12-2026_HR_09-00-00 BASE.TXT") << "ALTER TABLE X;\r\n";
    const auto before = snapshot();
    QString shown;
    test::whenShown<TForm2>([&](TForm2& notice) {
        shown = notice.Label1->text();
        notice.close();  // the caption bar's close button
    });
    EXPECT_EQ(runStartSequence(*qApp), 0);
    EXPECT_EQ(shown, QString::fromUtf8(
                         "SCRIPT EM EXECUÇÃO SALVO: SCRIPT_ERRO_DT_10-12-2026_HR_09-00-00 BASE.TXT"));
    EXPECT_EQ(registry.reads, 0);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(snapshot(), before);
}

TEST_F(StartSequenceTest, ConfirmedGateShowsTheUpdateWindowAndIsDestroyed) {
    test::whenShown<TForm1>([](TForm1& gate) {
        gate.CheckBox1->click();
        gate.CheckBox2->click();
        gate.BitBtn1->click();
    });
    bool updateWindowShown = false;
    test::whenShown<Tfrmvelmupdate>([&](Tfrmvelmupdate& window) {
        updateWindowShown = true;
        EXPECT_EQ(Form1, nullptr) << "the update window destroys the confirmed gate";
        EXPECT_EQ(window.PROGR, folder.name() + "/Programas");
        window.Button3->click();  // "&Sair"
    });
    EXPECT_EQ(runStartSequence(*qApp), 0);
    EXPECT_TRUE(updateWindowShown);
    EXPECT_EQ(registry.reads, 1);
}

TEST(UpdateWindow, UnconfirmedGateClosesItThroughTimer2) {
    RecordingDialogs dialogs;
    ScopedService<Dialogs> useDialogs(dialogs);
    test::FakeRegistry registry;
    registry.set(test::kCurrentVersionKey, "ProgramFilesDir", "C:\\Arquivos de Programas");
    ScopedService<Registry> useRegistry(registry);
    Form1 = std::make_unique<TForm1>();  // Tag 0: not confirmed

    Tfrmvelmupdate window;
    bool closed = false;
    QObject::connect(&window, &Tfrmvelmupdate::closed, [&] { closed = true; });
    window.show();
    EXPECT_TRUE(window.Timer2.isActive());
    EXPECT_EQ(window.Timer2.interval(), 100);
    EXPECT_FALSE(closed);
    for (int i = 0; i < 100 && !closed; ++i) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    EXPECT_TRUE(closed);
    EXPECT_FALSE(window.Timer2.isActive());
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_NE(Form1, nullptr) << "an unconfirmed gate is left to the process end";
    Form1.reset();
}

TEST(UpdateWindow, RegistryErrorShowsTheStandardErrorBoxAndTheWindowStays) {
    RecordingDialogs dialogs;
    ScopedService<Dialogs> useDialogs(dialogs);
    test::FakeRegistry registry;  // no ProgramFilesDir
    ScopedService<Registry> useRegistry(registry);
    Form1 = std::make_unique<TForm1>();
    Form1->Tag = 1;

    Tfrmvelmupdate window;
    window.show();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, RecordingDialogs::Kind::Error);
    EXPECT_EQ(dialogs.shown[0].text, standardErrorText(systemErrorMessage(1012)));
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.Timer2.isActive());
    EXPECT_NE(Form1, nullptr) << "the handler stopped before destroying the gate";
    EXPECT_EQ(window.Label9->text(), QStringLiteral("Label7"));
    Form1.reset();
    window.close();
}

}  // namespace
}  // namespace velm
