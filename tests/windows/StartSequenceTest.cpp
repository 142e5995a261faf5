#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "platform/Dialogs.h"
#include "platform/FolderLock.h"
#include "platform/WorkingFolder.h"
#include "support/FakeRegistry.h"
#include "support/ModalDriver.h"
#include "support/TempFolder.h"
#include "sync/CommitJournal.h"
#include "windows/StartSequence.h"
#include "windows/Unit1.h"
#include "windows/Unit2.h"
#include "windows/untfrmvelmupdate.h"

namespace velm {
namespace {

namespace fs = std::filesystem;

// Every entry of the folder with its size and time, to show nothing changed
// (the one-copy lock's file goes with the copy that made it).
std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>> snapshot() {
    std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>> entries;
    for (const auto& e : fs::recursive_directory_iterator("."))
        entries[e.path().string()] = {e.is_regular_file() ? e.file_size() : 0,
                                      e.last_write_time()};
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

// A journal no run of ours wrote (it names a file outside the folder) is
// removed unread before the gate, with a box; nothing else is touched.
TEST_F(StartSequenceTest, AForeignJournalIsRemovedUnreadWithABox) {
    std::ofstream("Loja.exe") << "velho";
    const auto before = snapshot();
    writeCommitJournal("", {CommitEntry{"..\\fora.exe", "Loja.exe", "", 5, {}}});
    test::whenShown<TForm1>([](TForm1& gate) { gate.Button3->click(); });
    EXPECT_EQ(runStartSequence(*qApp), 0);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_NE(dialogs.shown[0].text.find(kCommitJournalName), std::string::npos)
        << dialogs.shown[0].text;
    EXPECT_EQ(snapshot(), before) << "only the journal went";
}

// A double click started a second copy while the first one runs.
TEST_F(StartSequenceTest, SecondCopyInTheFolderSaysSoAndEndsBeforeTouchingIt) {
    std::ofstream("SCRIPT_ERRO_DT_10-12-2026_HR_09-00-00 BASE.TXT") << "ALTER TABLE X;\r\n";
    const FolderLock firstCopy;
    ASSERT_EQ(firstCopy.outcome(), FolderLock::Outcome::Held);
    const auto before = snapshot();
    // Closes the gate or the notice, should either show.
    bool windowShown = false;
    QTimer closeModal;
    closeModal.setInterval(10);
    QObject::connect(&closeModal, &QTimer::timeout, [&] {
        if (QWidget* window = QApplication::activeModalWidget()) {
            windowShown = true;
            window->close();
        }
    });
    closeModal.start();
    EXPECT_EQ(runStartSequence(*qApp), kUpdateAlreadyRunningCode);
    EXPECT_FALSE(windowShown) << "neither the gate nor the notice";
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, RecordingDialogs::Kind::Information);
    EXPECT_EQ(dialogs.shown[0].text,
              "J\xE1 existe uma atualiza\xE7\xE3o em andamento nesta pasta:\r\n" + workingFolder() +
                  "\r\n\r\nAguarde o t\xE9rmino dela. Esta c\xF3pia do programa ser\xE1 fechada.");
    EXPECT_EQ(registry.reads, 0);
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(Form1, nullptr);
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

// Resets the global gate at the end of a test, whatever failed, so that one
// failure does not break the tests after it.
struct Form1Reset {
    ~Form1Reset() { Form1.reset(); }
};

TEST(UpdateWindow, UnconfirmedGateClosesItThroughTimer2) {
    const Form1Reset resetGate;
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
    EXPECT_TRUE(QTest::qWaitFor([&] { return closed; }, 5000));
    EXPECT_FALSE(window.Timer2.isActive());
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_NE(Form1, nullptr) << "an unconfirmed gate is left to the process end";
}

TEST(UpdateWindow, RegistryErrorShowsTheStandardErrorBoxAndTheWindowStays) {
    const Form1Reset resetGate;
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
    window.close();
}

}  // namespace
}  // namespace velm
