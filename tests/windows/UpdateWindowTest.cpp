#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QElapsedTimer>
#include <QTimer>
#include <QTreeWidget>

#include <filesystem>
#include <functional>

#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "platform/QtAnsi.h"
#include "platform/Shell.h"
#include "support/FakeRegistry.h"
#include "support/FileBytes.h"
#include "support/ModalDriver.h"
#include "support/PyftpdlibServer.h"
#include "support/RecordedEffects.h"
#include "support/ScriptedFtpServer.h"
#include "support/TempFolder.h"
#include "upgrade/CatalogueFixture.h"
#include "upgrade/FbDatabase.h"
#include "upgrade/uAguarde.h"
#include "widgets/Gauge.h"
#include "windows/Unit1.h"
#include "windows/Unit2.h"
#include "windows/UpdateWindowView.h"
#include "windows/untfrmvelmupdate.h"

namespace velm {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

const char* const kNotFoundHere =
    " n\xE3o encontrado nesta pasta que voc\xEA executou o Atualiza_Quorix_Senha.exe";

// What a widget showed each time it was painted: its text, read as the paint
// event reaches it.
class PaintRecorder : public QObject {
public:
    PaintRecorder(QWidget& watched, std::function<std::string()> shown)
        : shown_(std::move(shown)) {
        watched.installEventFilter(this);
    }
    std::vector<std::string> painted;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted.push_back(shown_());
        return false;
    }

private:
    std::function<std::string()> shown_;
};

// Counts how often a window was shown.
class ShowCounter : public QObject {
public:
    int shows = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Show) ++shows;
        return false;
    }
};

// A shop folder (the current one meanwhile) with the archiver below the
// registry's Program Files folder, the sibling programs, Sys_Info.INI naming
// an embedded product database, and a catalogue holding the FTP password.
class UpdateWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        product = folder / "PRODUTO.gdb";
        FbDatabase::createDatabase(product, kProductUser, kProductPassword, 1);
        layOutShop();
    }

    // The archiver and the current folder's files.
    void layOutShop() {
        registry.set(test::kCurrentVersionKey, "ProgramFilesDir", programs / "Programas");
        fs::create_directories(programs.path() / "Programas" / "WinRAR");
        test::writeFileBytes(programs.path() / "Programas" / "WinRAR" / "WinRAR.exe", "rar");
        for (const char* name :
             {"App_Vezra_Config.exe", "App_Vezra_Lista.exe", "App_Vezra_Solicita.exe"})
            test::writeFileBytes(name, "programa");
        fileSystem().writeTextLines("Sys_Info.INI", {"[BancoDeDados]" + product});
    }

    void useCatalogue(bool mysql) {
        catalogue.emplace(mysql ? test::CatalogueFixture::Driver::mysql
                                : test::CatalogueFixture::Driver::sqlite);
        setCatalogueFtpPasswords(catalogue->admin, "1vhjuhgr", "2x");  // "segredo", scrambled by 1
    }

    void TearDown() override {
        delete aguarde.data();
        Form1.reset();
        catalogue.reset();
    }

    // The gate as the operator left it, then the update window shown.
    void show(int gateTag = 1) {
        Form1 = std::make_unique<TForm1>();
        Form1->Tag = gateTag;
        window.show();
    }

    std::vector<std::string> messages() const {
        std::vector<std::string> texts;
        for (const auto& shown : dialogs.shown) texts.push_back(shown.text);
        return texts;
    }

    static std::size_t retrieved(const test::ScriptedFtpServer& server) {
        std::size_t n = 0;
        for (const std::string& c : server.commands()) n += c.rfind("RETR ", 0) == 0;
        return n;
    }

    bool green(QLabel* label) const {
        return label->palette().color(QPalette::WindowText) == QColor(0, 128, 0);
    }

    test::TempFolder folder{test::TempFolder::Enter::Yes};
    test::TempFolder programs;
    std::string product;
    std::optional<test::CatalogueFixture> catalogue;
    test::FakeRegistry registry;
    ScopedService<Registry> useRegistry{registry};
    test::RecordedEffects effects;
    RecordingDialogs& dialogs = effects.dialogs;
    test::RecordingShell& shell = effects.shell;
    RecordingProcess& process = effects.process;
    Tfrmvelmupdate window;
};

TEST_F(UpdateWindowTest, AllChecksPassLeaveTheWindowReady) {
    useCatalogue(false);
    fs::remove("App_Vezra_Lista.exe");
    test::writeFileBytes("App_Vezra_Lista.old", "copia antiga");  // only the twin
    show();
    EXPECT_THAT(messages(), IsEmpty());
    EXPECT_FALSE(window.Timer2.isActive());
    EXPECT_EQ(Form1, nullptr) << "the gate is destroyed";
    EXPECT_EQ(window.PROGR, programs / "Programas");
    EXPECT_EQ(window.Label9->text(), QString::fromUtf8("App_Vezra_Config.exe - Será atualizado"));
    EXPECT_EQ(window.Label4->text(), QString::fromUtf8("App_Vezra_Lista.exe - Será atualizado"));
    EXPECT_EQ(window.Label8->text(), QString::fromUtf8("App_Vezra_Solicita.exe - Será atualizado"));
    EXPECT_TRUE(green(window.Label9) && green(window.Label4) && green(window.Label8));
    ASSERT_NE(aguarde, nullptr);
    EXPECT_EQ(aguarde->parent(), &window);
    ASSERT_EQ(window.CheckListBox1->count(), 1);
    EXPECT_EQ(window.CheckListBox1->item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(window.StatusPanel0->text(),
              QStringLiteral("Clique em Atualizar agora ou pressione <ENTER>."));
    EXPECT_EQ(window.focusWidget(), window.Button1) << "Enter presses the button";
    EXPECT_TRUE(window.Button1->isEnabled());
}

TEST_F(UpdateWindowTest, FailedChecksShowOneMessageAndClose) {
    struct Row {
        const char* reason;
        std::function<void()> arrange;
        int gateTag;
        std::vector<std::string> messages;
        bool buttonEnabled;
        bool upgradeWindow;
    };
    const Row rows[] = {
        {"gate not confirmed", [] {}, 0, {}, true, false},
        {"archiver missing",
         [&] { fs::remove_all(programs.path() / "Programas" / "WinRAR"); },
         1,
         {"Favor fazer a instala\xE7\xE3o do Winrar Primeiro. Voce ser\xE1 redirecionado para o "
          "download."},
         true,
         false},
        {"configuration program missing",
         [] { fs::remove("App_Vezra_Config.exe"); },
         1,
         {std::string("Arquivo App_Vezra_Config.exe") + kNotFoundHere},
         false,
         false},
        {"list program missing",
         [] { fs::remove("App_Vezra_Lista.exe"); },
         1,
         {std::string("Arquivo App_Vezra_Lista.exe") + kNotFoundHere},
         false,
         false},
        {"request program missing",
         [] { fs::remove("App_Vezra_Solicita.exe"); },
         1,
         {std::string("Arquivo App_Vezra_Solicita.exe") + kNotFoundHere},
         false,
         false},
        {"Sys_Info.INI missing",
         [] { fs::remove("Sys_Info.INI"); },
         1,
         {std::string("Arquivo Sys_Info.ini") + kNotFoundHere},
         false,
         false},
        {"database entry fails",
         [] { fileSystem().writeTextLines("Sys_Info.INI", {"[BancoDeDados]SEMALIAS"}); },
         1,
         {"Alias SEMALIAS do BDE n\xE3o encontrado."},
         true,
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reason);
        test::TempFolder shop{test::TempFolder::Enter::Yes};
        layOutShop();
        row.arrange();
        dialogs.shown.clear();
        shell.opened.clear();
        Tfrmvelmupdate checked;
        Form1 = std::make_unique<TForm1>();
        Form1->Tag = row.gateTag;
        bool closed = false;
        QObject::connect(&checked, &Tfrmvelmupdate::closed, [&] { closed = true; });
        checked.show();
        EXPECT_EQ(messages(), row.messages);
        EXPECT_EQ(checked.Button1->isEnabled(), row.buttonEnabled);
        EXPECT_EQ(aguarde != nullptr, row.upgradeWindow);
        EXPECT_EQ(checked.StatusPanel0->text(), QStringLiteral("VelmUpdate"));
        EXPECT_TRUE(checked.Timer2.isActive()) << "the window closes 100 ms later";
        EXPECT_TRUE(QTest::qWaitFor([&] { return closed; }, 2000));
        EXPECT_EQ(aguarde, nullptr) << "closing destroys the upgrade window";
        if (std::string(row.reason) == "archiver missing") {
            ASSERT_EQ(shell.opened.size(), 1u);
            EXPECT_THAT(shell.opened[0], ::testing::EndsWith("/winrar.exe"));
            EXPECT_EQ(checked.Label9->text(), QStringLiteral("Label7")) << "no file check ran";
        }
        Form1.reset();
    }
}

TEST_F(UpdateWindowTest, ArchiverBesideTheX86Folder) {
    useCatalogue(false);
    fs::rename(programs.path() / "Programas", programs.path() / "Program Files");
    fs::create_directories(programs.path() / "Program Files (x86)");
    registry.set(test::kCurrentVersionKey, "ProgramFilesDir", programs / "Program Files (x86)");
    show();
    EXPECT_EQ(window.PROGR, programs / "Program Files");
    EXPECT_THAT(messages(), IsEmpty());
    EXPECT_TRUE(green(window.Label9));
}

TEST_F(UpdateWindowTest, ChecksCutShortByAnErrorNeverStartARun) {
    registry = test::FakeRegistry();  // no ProgramFilesDir: the registry read fails
    show();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, RecordingDialogs::Kind::Error);
    EXPECT_FALSE(window.Timer2.isActive()) << "the window stays open";
    dialogs.shown.clear();
    window.Button1->click();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, RecordingDialogs::Kind::Message);
    EXPECT_THAT(dialogs.shown[0].text, ::testing::HasSubstr("n\xE3o foram conclu\xED"
                                                            "das"));
    EXPECT_TRUE(window.Button1->isEnabled());
    EXPECT_FALSE(window.ftpupdate.Connected());
}

TEST_F(UpdateWindowTest, EnterWhileConnectedSaysSoAndSairDisconnects) {
    useCatalogue(false);
    show();
    test::ScriptedFtpServer server;
    window.ftpupdate.Host = "127.0.0.1";
    window.ftpupdate.Port = server.port();
    window.ftpupdate.Username = "ftpuser";
    window.ftpupdate.Connect();
    EXPECT_EQ(window.StatusPanel0->text(), QStringLiteral("Lendo..."));
    QTest::keyClick(window.Button1, Qt::Key_Return);
    EXPECT_THAT(messages(), ElementsAre("Conectado no FTP"));
    EXPECT_TRUE(window.Button1->isEnabled());

    bool closed = false;
    QObject::connect(&window, &Tfrmvelmupdate::closed, [&] { closed = true; });
    window.Button3->click();
    EXPECT_TRUE(closed);
    EXPECT_FALSE(window.ftpupdate.Connected());
    EXPECT_EQ(server.commands().back(), "QUIT");
    EXPECT_EQ(window.StatusPanel0->text(), QStringLiteral("Desconectado!"));
}

// The whole run from the window, with the password from the catalogue.
class UpdateWindowRunTest : public UpdateWindowTest, public ::testing::WithParamInterface<bool> {};

TEST_P(UpdateWindowRunTest, EnterRunsTheUpdateAgainstARealServer) {
    if (GetParam()) VELM_REQUIRE_SERVER_VARIABLES("VELM_TEST_MYSQL_HOST", "VELM_TEST_MYSQL_PORT");
    useCatalogue(GetParam());
    test::TempFolder root;
    fs::create_directories(root.path() / "quorixsenha");
    test::writeFileBytes(root.path() / "quorixsenha" / "App_Vezra_Config.exe", "novo programa");
    fs::last_write_time("App_Vezra_Config.exe",
                        fs::file_time_type::clock::now() - std::chrono::hours(48));
    test::PyftpdlibServer server(root.path(), "ftpuser", "segredo");
    fileSystem().writeTextLines("atualiza.cfg", {"127.0.0.1", std::to_string(server.port())});
    show();
    ASSERT_THAT(messages(), IsEmpty());
    ShowCounter upgrade;
    aguarde->installEventFilter(&upgrade);

    QTest::keyClick(window.Button1, Qt::Key_Return);
    EXPECT_THAT(messages(), IsEmpty());
    EXPECT_EQ(upgrade.shows, 1) << "the upgrade window was shown, and closed";
    EXPECT_EQ(test::readFileBytes("App_Vezra_Config.exe"), "novo programa");
    ASSERT_EQ(window.TreeView1->topLevelItemCount(), 1);
    EXPECT_EQ(window.TreeView1->topLevelItem(0)->data(0, UpdateWindowView::kStateRole).toInt(),
              tsEqual);
    EXPECT_THAT(toAnsi(window.TreeView1->topLevelItem(0)->text(0)),
                ::testing::EndsWith(" App_Vezra_Config.exe"));
    EXPECT_EQ(window.lblstatus->text(), QString::fromUtf8("Atualização finalizada com sucesso."));
    EXPECT_EQ(window.lblcontador->text(), QString());
    EXPECT_EQ(window.StatusPanel0->text(), QStringLiteral("Desconectado!"));
    EXPECT_EQ(window.Gauge1->Progress(), 0);
    EXPECT_TRUE(window.Button1->isEnabled());
    EXPECT_EQ(window.Tag, 0);
    EXPECT_THAT(server.commands("PASS"), ElementsAre("PASS ******"));
    EXPECT_THAT(server.commands("RETR"), ElementsAre("RETR App_Vezra_Config.exe"));
    EXPECT_FALSE(window.Memo1->toPlainText().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Catalogues, UpdateWindowRunTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "MariaDB" : "SQLite"; });

TEST_F(UpdateWindowTest, SavedFailedScriptLocksTheUpgradeWindow) {
    useCatalogue(false);
    test::ScriptedFtpServer server;
    server.listing("");
    fileSystem().writeTextLines("atualiza.cfg", {"127.0.0.1", std::to_string(server.port())});
    show();
    ShowCounter upgrade;
    aguarde->installEventFilter(&upgrade);
    // An earlier run's script failed after this window was shown.
    const std::string saved = "SCRIPT_ERRO_DT_10-12-2026_HR_09-00-00 BASE.GDB.TXT";
    test::writeFileBytes(saved, "ALTER TABLE X;\r\n");
    QString noticed;
    test::whenShown<TForm2>([&](TForm2& notice) {
        noticed = notice.Label1->text();
        notice.close();
    });
    window.Button1->click();
    EXPECT_EQ(noticed, savedScriptCaption(saved));
    EXPECT_EQ(upgrade.shows, 0) << "no script runs on top of the failed one";
    EXPECT_EQ(window.lblstatus->text(),
              QString::fromUtf8(
                  "Atualização finalizada com erros, necessário contactar Quorix Sistemas."));
    EXPECT_EQ(window.Tag, 0);
    EXPECT_TRUE(fs::exists(saved));
}

// The form leaves ReadTimeout at 0, which the client takes as its silence
// limit: a silent server is given up on after that limit, not after the
// class's default minute.
TEST_F(UpdateWindowTest, SilentServerIsGivenUpOnAfterTheSilenceLimit) {
    test::ScriptedFtpServer server;
    server.onConnect([](test::FtpSession& s, const std::string&) {
        s.waitForRelease(10000);  // silent far beyond the limit, well within a minute
        s.reply("220 Late greeting");
    });
    window.ftpupdate.Host = "127.0.0.1";
    window.ftpupdate.Port = server.port();
    window.ftpupdate.SilenceLimit = 300;
    EXPECT_THROW(window.ftpupdate.Connect(), SocketTimeout);
    EXPECT_FALSE(window.ftpupdate.Connected());
    server.release();
}

// The window is painted at the screen's pace while a run blocks it, not on
// every event; these show what the operator still sees.
class UpdateWindowPaceTest : public UpdateWindowTest {
protected:
    void SetUp() override {
        UpdateWindowTest::SetUp();
        useCatalogue(false);
        show();
        ASSERT_THAT(messages(), IsEmpty()) << "the checks passed: the window stays";
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QCoreApplication::processEvents();  // its first paint is over
    }
    std::string stateOf(int node) const {
        return std::to_string(
            window.TreeView1->topLevelItem(node)->data(0, UpdateWindowView::kStateRole).toInt());
    }
    std::string label(QLabel* l) const { return toAnsi(l->text()); }
};

// A download the operator could watch (a screen interval or longer) shows
// its last state (its name, its counter, its green node) the moment it ends,
// however many events came before it; the file names reach the screen in the
// run's order; short downloads leave their nodes' colours for the next paint;
// the run's last texts show when it ends.
TEST_F(UpdateWindowPaceTest, DownloadsEndsAndTheRunsEndArePainted) {
    UpdateWindowView view(window);
    view.beginRun();
    const std::vector<std::string> names = {"um.bin", "dois.bin", "tres.bin", "quatro.bin",
                                            "cinco.bin"};
    view.clearTree();
    for (const std::string& name : names) view.addNode(name, tsDiffers);
    view.repaintTree();
    view.showNow();
    PaintRecorder fileName(*window.Label3, [&] { return label(window.Label3); });
    PaintRecorder counter(*window.lblcontador, [&] { return label(window.lblcontador); });
    PaintRecorder tree(*window.TreeView1->viewport(), [&] {
        std::string states;
        for (int i = 0; i < static_cast<int>(names.size()); ++i) states += stateOf(i);
        return states;
    });
    int events = 0;
    const auto download = [&](int i, bool watched) {
        view.showFileName(names[i]);
        view.setNodeState(i, tsFetching);
        view.repaintTree();
        QElapsedTimer lasting;
        lasting.start();
        do {
            view.showCounter("Transferidos: " + std::to_string(++events) + " Kb");
            view.repaintWindow();
            EXPECT_FALSE(view.pumpMessages());
        } while (watched && lasting.elapsed() < 2 * UpdateWindowView::kScreenIntervalMs);
        view.showCounter(names[i] + " inteiro");
        view.setNodeState(i, tsEqual);
        view.repaintTree();
    };
    for (int i = 0; i < 3; ++i) {
        download(i, true);
        ASSERT_FALSE(fileName.painted.empty());
        EXPECT_EQ(fileName.painted.back(), names[i]);
        EXPECT_EQ(counter.painted.back(), names[i] + " inteiro");
        ASSERT_FALSE(tree.painted.empty());
        EXPECT_EQ(tree.painted.back().substr(0, i + 1), std::string(i + 1, '1'))
            << "the nodes fetched so far show green";
    }
    EXPECT_LT(counter.painted.size(), static_cast<std::size_t>(events)) << "not a paint per event";
    download(3, false);
    download(4, false);

    view.showStatus("fim");
    view.showFileName("fim.bin");
    PaintRecorder status(*window.lblstatus, [&] { return label(window.lblstatus); });
    view.endRun();
    ASSERT_FALSE(status.painted.empty());
    EXPECT_EQ(status.painted.back(), "fim");
    EXPECT_EQ(fileName.painted.back(), "fim.bin");
    EXPECT_EQ(tree.painted.back(), "11111") << "the short downloads' nodes show green too";
    // No state shows out of order: the file names painted follow the run's.
    std::vector<std::string> distinct;
    for (const std::string& n : fileName.painted)
        if (distinct.empty() || distinct.back() != n) distinct.push_back(n);
    ASSERT_GE(distinct.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(distinct.begin(), distinct.begin() + 3),
              std::vector<std::string>(names.begin(), names.begin() + 3));
    EXPECT_EQ(distinct.back(), "fim.bin");
    for (std::size_t i = 3; i + 1 < distinct.size(); ++i)
        EXPECT_TRUE(distinct[i] == names[3] || distinct[i] == names[4]) << distinct[i];
}

// A run that blocks the event loop without pumping it (entry after entry
// with nothing to fetch) still has the window painted now and then, each time
// with the latest text; and a modal window's loop, started before the next
// paint was due, shows what the run set last.
TEST_F(UpdateWindowPaceTest, BlockedStretchesAndModalLoopsStillShowTheLatestState) {
    UpdateWindowView view(window);
    view.beginRun();
    PaintRecorder fileName(*window.Label3, [&] { return label(window.Label3); });
    QElapsedTimer blocked;
    blocked.start();
    int calls = 0;
    while (blocked.elapsed() < 10 * UpdateWindowView::kScreenIntervalMs)
        view.showFileName("arquivo" + std::to_string(calls++) + ".bin");
    ASSERT_GE(fileName.painted.size(), 2u) << "painted while blocked";
    EXPECT_LT(fileName.painted.size(), static_cast<std::size_t>(calls));
    for (std::size_t i = 1; i < fileName.painted.size(); ++i)
        EXPECT_LT(std::stoi(fileName.painted[i - 1].substr(7)),
                  std::stoi(fileName.painted[i].substr(7)));

    view.showNow();
    view.showFileName("ultimo.bin");  // not due yet: kept for later
    // As a box's loop would run it: the kept text reaches the screen.
    EXPECT_TRUE(QTest::qWaitFor([&] { return fileName.painted.back() == "ultimo.bin"; }, 5000))
        << fileName.painted.back();
}

// Leaving while a transfer pumps the window's messages: during the listing,
// or in the middle of the file's download, whose old copy stays.
TEST_F(UpdateWindowTest, LeavingDuringATransferStopsTheRunThenCloses) {
    useCatalogue(false);
    test::ScriptedFtpServer server;
    server.listing("-rw-r--r--   1 owner group  300000 Jan 05  2023 grande.bin\r\n");
    server.file("grande.bin", std::string(300000, 'g'));
    test::writeFileBytes("grande.bin", "anterior");
    fileSystem().writeTextLines("atualiza.cfg", {"127.0.0.1", std::to_string(server.port())});
    const std::function<void(Tfrmvelmupdate&)> ways[] = {
        [](Tfrmvelmupdate& w) { w.Button3->click(); },  // "&Sair"
        [](Tfrmvelmupdate& w) { w.close(); },           // the close button
    };
    const bool duringDownload[] = {false, true};
    for (const auto& leave : ways) {
        for (const bool download : duringDownload) {
            SCOPED_TRACE(download ? "during the download" : "during the listing");
            const std::size_t retrBefore = retrieved(server);
            Tfrmvelmupdate running;
            Form1 = std::make_unique<TForm1>();
            Form1->Tag = 1;
            running.show();
            ASSERT_THAT(messages(), IsEmpty());
            bool closed = false;
            QObject::connect(&running, &Tfrmvelmupdate::closed, [&] { closed = true; });
            // Handled while the transfer pumps the window's messages: the
            // first pump is the listing's; the download's come after its RETR.
            QTimer watch;
            watch.setInterval(0);
            QObject::connect(&watch, &QTimer::timeout, &running, [&] {
                if (download && retrieved(server) == retrBefore) return;
                watch.stop();
                leave(running);
            });
            watch.start();
            running.Button1->click();
            EXPECT_TRUE(closed);
            EXPECT_FALSE(running.running());
            EXPECT_FALSE(running.ftpupdate.Connected());
            EXPECT_EQ(retrieved(server), retrBefore + (download ? 1 : 0));
            EXPECT_EQ(test::readFileBytes("grande.bin"), "anterior");
            for (const auto& e : fs::directory_iterator("."))
                EXPECT_NE(e.path().filename().string().front(), '~') << "a temporary file stays";
            ASSERT_TRUE(server.waitForSessionsToEnd());
            EXPECT_EQ(server.commands().back(), "QUIT");
            EXPECT_EQ(aguarde, nullptr);
            EXPECT_THAT(messages(), IsEmpty());
        }
    }
}

}  // namespace
}  // namespace velm
