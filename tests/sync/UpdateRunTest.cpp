#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <set>

#include "ftp/FtpClient.h"
#include "ftp/FtpErrors.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/Locale.h"
#include "platform/MonotonicClock.h"
#include "platform/Process.h"
#include "platform/ReplacementFile.h"
#include "platform/Shell.h"
#include "support/FaultyFileSystems.h"
#include "support/FileBytes.h"
#include "support/RecordedEffects.h"
#include "support/RecordingRunView.h"
#include "support/ScriptedFtpServer.h"
#include "support/SummerTimeZones.h"
#include "support/TempFolder.h"
#include "support/UnrenamableFile.h"
#include "sync/CommitJournal.h"
#include "sync/TransferProgress.h"
#include "sync/UpdateRun.h"

namespace velm {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

const char* const kSuccess = "Atualiza\xE7\xE3o finalizada com sucesso.";
const char* const kCloseApps =
    "Atualiza\xE7\xE3o finalizada com erros, feche os aplicativos e tente denovo.";
const char* const kContact =
    "Atualiza\xE7\xE3o finalizada com erros, necess\xE1rio contactar Quorix Sistemas.";

// The names of every entry of the current folder (the run's).
std::set<std::string> namesInFolder() {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(".")) names.insert(e.path().filename().string());
    return names;
}

DateTime at(int year, int month, int day, int hour, int minute, int second = 0) {
    return encodeDateTime({year, month, day, hour, minute, second, 0});
}

// The run against the scripted server in a working folder of its own, with
// the window, the process, the dialogs and the shell recorded.
class UpdateRunTest : public ::testing::Test {
protected:
    UpdateRunTest() {
        writeSettings({"127.0.0.1", std::to_string(server.port()), "TRUE"});
        progress.bind(client);
        client.ReadTimeout = 10000;  // a fault must fail the test, not hang it
    }

    void writeSettings(const std::vector<std::string>& lines) {
        fileSystem().writeTextLines("atualiza.cfg", lines);
    }
    void local(const std::string& name, const std::string& bytes, DateTime modified) {
        test::writeFileBytes(name, bytes);
        fileSystem().setModificationTime(name, modified);
    }
    std::vector<std::string> retrieved() const {
        std::vector<std::string> names;
        for (const std::string& c : server.commands())
            if (c.rfind("RETR ", 0) == 0) names.push_back(c.substr(5));
        return names;
    }
    std::vector<std::string> verbs(const std::string& verb) const {
        std::vector<std::string> found;
        for (const std::string& c : server.commands())
            if (c.rfind(verb, 0) == 0) found.push_back(c);
        return found;
    }
    std::vector<std::string> information() const {
        std::vector<std::string> texts;
        for (const auto& shown : dialogs.shown)
            if (shown.kind == RecordingDialogs::Kind::Information) texts.push_back(shown.text);
        return texts;
    }
    void run() { UpdateRun(client, view, progress).AtualizaSistema(); }

    test::TempFolder folder{test::TempFolder::Enter::Yes};
    test::ScriptedFtpServer server;
    FixedClock now{at(2026, 12, 10, 12, 0)};
    ScopedService<Clock> useClock{now};
    FixedLocale brazil{{'.', ',', '/', ':'}};
    ScopedService<Locale> useLocale{brazil};
    test::RecordedEffects effects;
    RecordingDialogs& dialogs = effects.dialogs;
    RecordingProcess& process = effects.process;
    test::RecordingShell& shell = effects.shell;
    test::RecordingRunView view;
    TFtpClient client;
    TransferProgress progress{view};
};

TEST_F(UpdateRunTest, FetchesExactlyTheChangedAndNewFilesAndStampsThem) {
    server.listing(
        "total 5\r\n"
        "-rw-r--r--   1 owner group      11 Dec  1 14:07 changed.exe\r\n"
        "-rw-r--r--   1 owner group       5 Jan 05  2023 equal.dll\r\n"
        "-rw-r--r--   1 owner group       8 Nov 20 08:59 novo.txt\r\n"
        "-rw-r--r--   1 owner group       9 Nov 21 09:00 meu arquivo.txt\r\n"
        "drwxr-xr-x   2 owner group    4096 Jan 05  2023 Arquivos_dlls\r\n");
    server.file("changed.exe", "novo codigo");
    server.file("equal.dll", "igual");
    server.file("novo.txt", "novidade");
    server.file("meu arquivo.txt", "com blank");
    local("changed.exe", "codigo velho", at(2026, 11, 30, 14, 7));
    local("equal.dll", "igual", at(2023, 1, 5, 0, 0, 30));

    run();

    EXPECT_THAT(retrieved(), ElementsAre("changed.exe", "novo.txt", "meu arquivo.txt"));
    EXPECT_THAT(verbs("SIZE"), ElementsAre("SIZE changed.exe", "SIZE equal.dll", "SIZE novo.txt",
                                           "SIZE meu arquivo.txt", "SIZE Arquivos_dlls"))
        << "a size query for every entry, changed or not";
    EXPECT_EQ(test::readFileBytes("changed.exe"), "novo codigo");
    EXPECT_EQ(test::readFileBytes("novo.txt"), "novidade");
    EXPECT_EQ(test::readFileBytes("meu arquivo.txt"), "com blank") << "fetched by its whole name";
    EXPECT_FALSE(fs::exists("arquivo.txt"));
    EXPECT_EQ(fileSystem().modificationTime("changed.exe"), at(2026, 12, 1, 14, 7));
    EXPECT_EQ(fileSystem().modificationTime("novo.txt"), at(2026, 11, 20, 8, 59));

    EXPECT_THAT(view.states, ElementsAre(tsNone, tsEqual, tsEqual, tsEqual, tsEqual, tsEqual))
        << "all green; the total line has no picture";
    EXPECT_THAT(view.calls("add node"),
                ElementsAre("add node 0 state 0", "add node 1 state 4", "add node 2 state 1",
                            "add node 3 state 4", "add node 4 state 4", "add node 5 state 1"));
    EXPECT_THAT(view.calls("node "),
                ElementsAre("node 1 state 3", "node 1 state 1", "node 3 state 3", "node 3 state 1",
                            "node 4 state 3", "node 4 state 1"));
    EXPECT_THAT(view.calls("name "),
                ElementsAre("name changed.exe", "name equal.dll", "name novo.txt",
                            "name arquivo.txt", "name Arquivos_dlls", "name "))
        << "Label3 shows NomeDaLinha of each entry, and is emptied at the end";
    EXPECT_EQ(view.listing.size(), 6u);
    EXPECT_THAT(view.calls("password"),
                ElementsAre("password select senha_ftp from principal / senha_ftp"));
    EXPECT_EQ(view.upgrades, 1);
    EXPECT_EQ(view.status, kSuccess);
    EXPECT_EQ(view.counter, "");
    EXPECT_EQ(view.panel, "Desconectado!");
    EXPECT_THAT(dialogs.shown, IsEmpty());
    EXPECT_FALSE(client.Connected());
    EXPECT_THAT(shell.started, IsEmpty()) << "no archive, no extraction";
    EXPECT_THAT(server.sessions().at(0),
                ::testing::IsSupersetOf(
                    {"USER ftpuser", "PASS secret", "TYPE I", "CWD quorixsenha", "QUIT"}));

    // A second run finds everything equal and fetches nothing.
    const std::size_t before = retrieved().size();
    view.transcript.clear();
    run();
    EXPECT_EQ(retrieved().size(), before);
    EXPECT_THAT(view.states, ElementsAre(tsNone, tsEqual, tsEqual, tsEqual, tsEqual, tsEqual));
    EXPECT_EQ(view.transcript.at(0), "status  ") << "the status starts blank";
    EXPECT_EQ(view.transcript.at(1), "clear tree");
    EXPECT_EQ(view.status, kSuccess);
}

// A listing time the clocks skipped: the file is stamped, reads back an hour
// later, and the next run must still find it equal (it used to fetch it, and
// extract the archive, on every run).
TEST_F(UpdateRunTest, SummerTimeSkippedHourIsFetchedOnlyOnce) {
    const struct {
        const char* zone;
        std::string line;
    } rows[] = {
        // A date without a time: midnight, which never happened there.
        {"America/Sao_Paulo", "-rw-r--r--   1 owner group  5 Oct 15  2017 meianoite.dll"},
        {"Europe/Lisbon", "03-26-17  01:30AM                    5 meianoite.dll"},
    };
    server.file("meianoite.dll", "bytes");
    int ran = 0;
    for (const auto& row : rows) {
        test::ScopedTimeZone zone(row.zone);
        if (!zone.inForce()) continue;
        ++ran;
        SCOPED_TRACE(row.zone);
        fs::remove("meianoite.dll");
        server.listing(row.line + "\r\n");
        const std::size_t before = retrieved().size();
        run();
        EXPECT_EQ(retrieved().size(), before + 1);
        run();
        EXPECT_EQ(retrieved().size(), before + 1) << "found equal on the second run";
        EXPECT_THAT(view.states, ElementsAre(tsEqual));
        EXPECT_EQ(view.status, kSuccess);
    }
    if (ran == 0) GTEST_SKIP() << "the process's zone is none of the table's";
}

// A listing time no file can carry (a file without a time, listed as the
// start of 1970): stamped as the nearest time a file can carry and found
// equal to it next time, so the archive is fetched and extracted once.
TEST_F(UpdateRunTest, TimeNoFileCanCarryIsFetchedOnlyOnce) {
    server.listing("-rw-r--r--   1 owner group  3 Jan 01  1970 Sys_Brevant.rar\r\n");
    server.file("Sys_Brevant.rar", "rar");
    test::writeFileBytes("Sys_Brevant.exe", "loja");  // what the archiver would have unpacked
    run();
    EXPECT_THAT(retrieved(), ElementsAre("Sys_Brevant.rar"));
    EXPECT_EQ(shell.started.size(), 1u);
    run();
    EXPECT_THAT(retrieved(), ElementsAre("Sys_Brevant.rar")) << "found equal on the second run";
    EXPECT_EQ(shell.started.size(), 1u) << "nothing changed: no extraction";
    EXPECT_THAT(view.states, ElementsAre(tsEqual));
    EXPECT_EQ(view.status, kSuccess);
}

TEST_F(UpdateRunTest, ProgressShowsEveryTransfer) {
    server.listing("-rw-r--r--   1 owner group  70000 Jan 05  2023 big.bin\r\n");
    server.file("big.bin", std::string(70000, 'b'));
    run();
    EXPECT_THAT(
        view.calls("panel "),
        ::testing::IsSupersetOf({"panel Conectando..", "panel Lendo...", "panel Transferindo..",
                                 "panel Desconectando..", "panel Desconectado!"}));
    EXPECT_THAT(view.calls("status "), ::testing::Contains("status Download!!"));
    EXPECT_THAT(view.calls("counter "), ::testing::Contains("counter Transferidos: 68 Kb"));
    EXPECT_THAT(view.calls("gauge "), ::testing::Contains("gauge 100"));
    EXPECT_GT(view.pumps, 0);
    EXPECT_EQ(view.calls("reset gauge").size(), 2u) << "on disconnecting and at the end";
}

TEST_F(UpdateRunTest, SettingsFileChoosesPasswordColumnAndMode) {
    server.listing("");
    writeSettings({"127.0.0.1", std::to_string(server.port()), "fAlSe", "qualquer coisa"});
    run();
    EXPECT_THAT(view.calls("password"),
                ElementsAre("password select senha_ftp2 from principal / senha_ftp2"));
    EXPECT_THAT(verbs("PORT"), ::testing::SizeIs(1)) << "active mode for the listing";
    EXPECT_THAT(verbs("PASV"), IsEmpty());
    EXPECT_THAT(view.nodes, IsEmpty()) << "an empty listing adds no node";
    EXPECT_EQ(view.status, kSuccess);
}

TEST_F(UpdateRunTest, PortLineThatIsNoNumberStopsTheRunBeforeAnyConnection) {
    writeSettings({"127.0.0.1", "vinte e um"});
    EXPECT_THROW(run(), Error);
    EXPECT_EQ(server.connectionCount(), 0);
    EXPECT_THAT(view.calls("password"), IsEmpty());
}

TEST_F(UpdateRunTest, RefusedLoginShowsTheMessageAndEndsWithCode2) {
    server.reply("PASS", "530 Login incorrect.");
    try {
        run();
        ADD_FAILURE() << "the process did not end";
    } catch (const ProcessExit& exit) {
        EXPECT_EQ(exit.code, 2);
    }
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, RecordingDialogs::Kind::Message);
    EXPECT_EQ(dialogs.shown[0].text,
              "N\xE3o foi poss\xEDvel estabelecer conex\xE3o ftp.\r\rTENTE MAIS TARDE.\rLogin "
              "incorrect.");
}

// All or nothing: a download that fails, whichever way and whichever file
// of the run it is, leaves every file of the folder as it was, the ones
// fetched whole before it included; the next run on a good link brings all.
TEST_F(UpdateRunTest, AFailedDownloadLeavesEveryFileAsItWas) {
    struct Fault {
        const char* reason;
        test::ScriptedFtpServer::Handler retr;
        std::string message;
    };
    const std::string content(100000, 'n');
    const Fault faults[] = {
        {"the server refuses the file",
         [](test::FtpSession& s, const std::string&) { s.reply("550 Permission denied."); },
         "Permission denied."},
        {"the connection drops in the middle",
         [&](test::FtpSession& s, const std::string&) {
             s.reply("150 Opening BINARY mode data connection");
             s.sendData(content.substr(0, 40000));
             s.reply("426 Connection closed; transfer aborted.");
         },
         "Connection closed; transfer aborted."},
        {"fewer bytes than the size query said, reported as complete",
         [&](test::FtpSession& s, const std::string&) {
             s.reply("150 Opening BINARY mode data connection");
             s.sendData(content.substr(0, 40000));
             s.reply("226 Transfer complete.");
         },
         "Arquivo app.exe recebido incompleto: 40000 de 100000 bytes."},
    };
    // Five changed files, the third the one that fails; two of them new.
    server.listing(
        "-rw-r--r--   1 owner group       6 Jan 05  2023 Loja.exe\r\n"
        "-rw-r--r--   1 owner group       3 Jan 05  2023 novo.txt\r\n"
        "-rw-r--r--   1 owner group  100000 Jan 05  2023 app.exe\r\n"
        "-rw-r--r--   1 owner group       7 Jan 05  2023 base.dll\r\n"
        "-rw-r--r--   1 owner group       4 Jan 05  2023 leia.txt\r\n");
    const std::map<std::string, std::string> fresh = {{"Loja.exe", "loja 2"},
                                                      {"novo.txt", "bom"},
                                                      {"app.exe", content},
                                                      {"base.dll", "dll nova"},
                                                      {"leia.txt", "leia"}};
    for (const auto& [name, bytes] : fresh) server.file(name, bytes);
    const std::map<std::string, std::string> old = {
        {"Loja.exe", "loja velha"}, {"app.exe", "versao anterior"}, {"base.dll", "dll velha"}};
    const auto goodRetr = [&](test::FtpSession& s, const std::string& name) {
        s.reply("150 Opening BINARY mode data connection");
        s.sendData(fresh.at(name));
        s.reply("226 Transfer complete.");
    };
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.reason);
        for (const auto& [name, bytes] : fresh) fs::remove(name);
        for (const auto& [name, bytes] : old) local(name, bytes, at(2020, 1, 1, 0, 0));
        server.on("RETR", [&](test::FtpSession& s, const std::string& name) {
            if (name == "app.exe") return fault.retr(s, name);
            goodRetr(s, name);
        });
        dialogs.shown.clear();
        view.upgrades = 0;
        run();
        for (const auto& [name, bytes] : old) {
            EXPECT_EQ(test::readFileBytes(name), bytes) << name;
            EXPECT_EQ(fileSystem().modificationTime(name), at(2020, 1, 1, 0, 0)) << name;
        }
        EXPECT_THAT(view.states, ElementsAre(tsEqual, tsEqual, tsDiffers, tsEqual, tsEqual))
            << "the pass goes on, the tree as before";
        EXPECT_THAT(information(), ElementsAre(fault.message));
        EXPECT_EQ(view.upgrades, 0);
        EXPECT_EQ(view.status, kCloseApps);
        EXPECT_EQ(view.tag, 0);
        EXPECT_EQ(namesInFolder(), (std::set<std::string>{"atualiza.cfg", "Loja.exe", "app.exe",
                                                        "base.dll"}))
            << "nothing new, no temporary file, no journal";

        server.on("RETR", goodRetr);
        run();
        EXPECT_EQ(view.status, kSuccess);
        for (const auto& [name, bytes] : fresh) EXPECT_EQ(test::readFileBytes(name), bytes) << name;
        EXPECT_EQ(fileSystem().modificationTime("app.exe"), at(2023, 1, 5, 0, 0));
        EXPECT_EQ(namesInFolder().size(), fresh.size() + 1);
    }
}

// A file that cannot be replaced (a program still running) is met only
// once everything arrived: the files put in place before it go back, the
// box names it, its line turns red, and the run ends as after any error.
TEST_F(UpdateRunTest, AFileThatCannotBeReplacedRollsTheRunBack) {
    server.listing(
        "-rw-r--r--   1 owner group       6 Jan 05  2023 a.exe\r\n"
        "-rw-r--r--   1 owner group       6 Jan 05  2023 b.exe\r\n"
        "-rw-r--r--   1 owner group       6 Jan 05  2023 c.exe\r\n");
    for (const char* name : {"a.exe", "b.exe", "c.exe"}) {
        server.file(name, std::string("novo ") + name[0]);
        local(name, std::string("velho ") + name[0], at(2020, 1, 1, 0, 0));
    }
    {
        const test::UnrenamableFile inUse("b.exe");
        if (!inUse.applied()) GTEST_SKIP() << "the file cannot be held here";
        run();
    }
    for (const char* name : {"a.exe", "b.exe", "c.exe"}) {
        EXPECT_EQ(test::readFileBytes(name), std::string("velho ") + name[0]) << name;
        EXPECT_EQ(fileSystem().modificationTime(name), at(2020, 1, 1, 0, 0)) << name;
    }
    ASSERT_EQ(information().size(), 1u);
    EXPECT_THAT(information()[0],
                ::testing::StartsWith("N\xE3o foi poss\xEDvel substituir o arquivo b.exe (em uso ou "
                                      "protegido); nenhum arquivo foi atualizado.\r\r"));
    EXPECT_THAT(view.states, ElementsAre(tsEqual, tsDiffers, tsEqual));
    EXPECT_EQ(view.upgrades, 0);
    EXPECT_EQ(view.status, kCloseApps);
    EXPECT_EQ(namesInFolder(), (std::set<std::string>{"atualiza.cfg", "a.exe", "b.exe", "c.exe"}));
}

// A run that finds nothing changed creates, renames and removes nothing.
TEST_F(UpdateRunTest, ANothingChangedRunTouchesNoFile) {
    server.listing(
        "-rw-r--r--   1 owner group       5 Jan 05  2023 a.exe\r\n"
        "-rw-r--r--   1 owner group       5 Jan 05  2023 b.dll\r\n");
    local("a.exe", "igual", at(2023, 1, 5, 0, 0));
    local("b.dll", "igual", at(2023, 1, 5, 0, 0));
    test::RecordingFileSystem recording;
    ScopedService<FileSystem> use{recording};
    run();
    EXPECT_EQ(view.status, kSuccess);
    EXPECT_THAT(recording.calls, IsEmpty());
    EXPECT_FALSE(fileSystem().fileExists("VelmUpdate.journal"));
}

// A run cut short (a power cut, the task manager) leaves its temporary file;
// the next run removes every such file, of this version and of the earlier
// ones, before it downloads, and touches nothing else.
TEST_F(UpdateRunTest, LeftoversOfInterruptedRunsGoBeforeTheDownloads) {
    FileSystem& files = fileSystem();
    std::vector<std::string> leftovers;
    for (const char* prefix : {"~vu", "~ftp", "~vu"}) {
        leftovers.push_back(files.createTemporaryFile("", prefix));
        test::writeFileBytes(leftovers.back(), "metade de um download");
    }
    const std::string held = files.createTemporaryFile("", "~vu");
    const char* const theUsers[] = {"~vu.tmp", "~vuRelatorio.tmp", "~vu123456.tmp.bak",
                                    "meu~vu123456.tmp"};
    for (const char* name : theUsers) test::writeFileBytes(name, "do usuario");
    server.listing(
        "-rw-r--r--   1 owner group       4 Nov 20 08:59 a.txt\r\n"
        "-rw-r--r--   1 owner group       4 Nov 20 08:59 b.txt\r\n");
    server.file("a.txt", "aaaa");
    server.file("b.txt", "bbbb");
    test::RecordingFileSystem recording;
    recording.inUse = {held};  // another running copy writes it
    ScopedService<FileSystem> use{recording};

    run();

    EXPECT_EQ(view.status, kSuccess);
    EXPECT_THAT(dialogs.shown, IsEmpty()) << "without a message";
    EXPECT_THAT(namesInFolder(),
                ::testing::UnorderedElementsAre("atualiza.cfg", "a.txt", "b.txt", held, theUsers[0],
                                                theUsers[1], theUsers[2], theUsers[3]));
    for (const char* name : theUsers) EXPECT_EQ(test::readFileBytes(name), "do usuario");
    EXPECT_EQ(test::readFileBytes("a.txt"), "aaaa");

    // The leftovers went before the first download made its temporary file.
    const std::vector<std::string>& calls = recording.calls;
    const auto firstDownload = std::find_if(calls.begin(), calls.end(), [](const std::string& c) {
        return c.starts_with("temporary ");
    });
    ASSERT_NE(firstDownload, calls.end());
    for (const std::string& name : leftovers)
        EXPECT_LT(std::find(calls.begin(), calls.end(), "delete " + name), firstDownload) << name;
}

// Seen on a full disk: the box named a temporary file the operator had never seen.
TEST_F(UpdateRunTest, FullDiskNamesTheFileBeingFetched) {
    server.listing("-rw-r--r--   1 owner group  100000 Jan 05  2023 app.exe\r\n");
    server.file("app.exe", std::string(100000, 'n'));
    local("app.exe", "versao anterior", at(2020, 1, 1, 0, 0));
    test::FullDiskFileSystem disk(50000);
    ScopedService<FileSystem> use{disk};

    run();

    EXPECT_THAT(information(),
                ElementsAre("Cannot write file \".\\app.exe\". " + systemErrorMessage(112)));
    EXPECT_EQ(test::readFileBytes("app.exe"), "versao anterior");
    EXPECT_EQ(view.status, kCloseApps);
    EXPECT_THAT(namesInFolder(), ::testing::UnorderedElementsAre("atualiza.cfg", "app.exe"));
}

TEST_F(UpdateRunTest, ListingOddLinesAndHostileNames) {
    server.listing(
        "total 12\r\n"
        "\r\n"
        "-rw-r--r--   1 owner group       4 Jan 05  2023 ../fora.exe\r\n"
        "-rw-r--r--   1 owner group       4 Jan 05  2023 /tmp/absoluto.exe\r\n"
        "-rw-r--r--   1 owner group       4 Jan 05  2023 C:evil.exe\r\n"
        "-rw-r--r--   1 owner group       4 Jan 05  2023 bom.exe\r\n"
        "drwxr-xr-x   2 owner group    4096 Jan 05  2023 pasta\r\n"
        "\r\n"
        "quorixsenha/pasta:\r\n");
    for (const char* name : {"../fora.exe", "/tmp/absoluto.exe", "C:evil.exe", "bom.exe"})
        server.file(name, "mau!");
    run();
    EXPECT_THAT(retrieved(), ElementsAre("bom.exe", "pasta"))
        << "hostile names are never fetched; a folder counts as a missing file and is tried";
    EXPECT_FALSE(fs::exists(folder.path().parent_path() / "fora.exe"));
    EXPECT_FALSE(fs::exists("/tmp/absoluto.exe"));
    EXPECT_THAT(view.states,
                ElementsAre(tsNone, tsDiffers, tsDiffers, tsDiffers, tsEqual, tsDiffers, tsNone))
        << "the total line and the banner have no picture; the client keeps no blank lines";
    const std::vector<std::string> shown = information();
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_THAT(shown[0], ::testing::EndsWith("../fora.exe"));
    EXPECT_THAT(shown[1], ::testing::EndsWith("/tmp/absoluto.exe"));
    EXPECT_THAT(shown[2], ::testing::EndsWith("C:evil.exe"));
    EXPECT_EQ(view.status, kCloseApps);
    EXPECT_EQ(view.upgrades, 0);
}

// Names that would land on the updater's own files, or on one file twice
// under a Windows alias, are refused one by one as a path outside the
// folder is: red, a box saying what the name is, never asked for, and the
// run puts nothing in place. atualiza.cfg stays fetchable (a maker may move
// its server); the public key only with a signed list naming it.
TEST_F(UpdateRunTest, OwnNamesAndWindowsAliasesAreNeverFetched) {
    const std::string own = "O servidor listou um arquivo de controle do atualizador: ";
    const std::string tooLong(300, 'n');
    const std::vector<std::string> names = {
        "VelmUpdate.journal", "VelmUpdate.lock", "script_erro.txt", "VelmUpdate.log",
        "VELMUPDATE.LOG.1",   "atualiza.carimbo", "VelmUpdate.digests", "atualiza.pub",
        "~vb0123456789ab.tmp", "a.exe",           "a.exe.",          "CON .txt",
        tooLong,              "atualiza.cfg"};
    std::string listing;
    for (const std::string& name : names) {
        listing += "-rw-r--r--   1 owner group       4 Jan 05  2023 " + name + "\r\n";
        server.file(name, "mau!");
    }
    server.listing(listing);
    run();
    EXPECT_THAT(retrieved(), ElementsAre("a.exe", "atualiza.cfg"));
    EXPECT_THAT(verbs("SIZE"), ElementsAre("SIZE a.exe", "SIZE atualiza.cfg"))
        << "a refused name is not even asked about";
    const std::vector<std::string> shown = information();
    ASSERT_EQ(shown.size(), 12u);
    for (std::size_t i = 0; i < 9; ++i)
        EXPECT_EQ(shown[i], own + names[i] + "; ele n\xE3o foi baixado.");
    EXPECT_THAT(shown[9], ::testing::HasSubstr("terminado em ponto ou espa\xE7o"));
    EXPECT_THAT(shown[10], ::testing::HasSubstr("dispositivo"));
    EXPECT_THAT(shown[11], ::testing::HasSubstr("mais de 255 caracteres"));
    for (std::size_t i = 0; i < names.size(); ++i) {
        const bool fetchable = names[i] == "a.exe" || names[i] == "atualiza.cfg";
        EXPECT_EQ(view.states[i], fetchable ? tsEqual : tsDiffers) << names[i];
    }
    EXPECT_EQ(view.status, kCloseApps);
    EXPECT_EQ(view.upgrades, 0);
    EXPECT_THAT(namesInFolder(), ::testing::UnorderedElementsAre("atualiza.cfg"))
        << "nothing landed, not even a.exe: the run had errors";
    EXPECT_NE(test::readFileBytes("atualiza.cfg"), "mau!");
}

// A line that should have made an entry and did not is a file the run never
// looked at: red, told, and no upgrade over it. The parser stops at such a
// line, so the lines after it are unread too; the entries before it are
// still brought up to date.
TEST_F(UpdateRunTest, LinesThatNameNoEntryAreReportedAndSkipTheUpgrade) {
    const std::string unread = "O servidor listou uma linha que n\xE3o descreve nenhum arquivo: ";
    struct Row {
        const char* reason;
        std::string listing;
        std::vector<TreeState> states;
        std::vector<std::string> fetched;
        std::string told;
    };
    const Row rows[] = {
        {"a line between two good ones; the banner after it needs no entry",
         "total 3\r\n"
         "-rw-r--r--   1 owner group       8 Nov 20 08:59 novo.txt\r\n"
         "this line names no file at all\r\n"
         "-rw-r--r--   1 owner group      11 Dec  1 14:07 changed.dll\r\n"
         "quorixsenha/sub:\r\n",
         {tsNone, tsEqual, tsDiffers, tsDiffers, tsNone},
         {"novo.txt"},
         unread +
             "this line names no file at all\r\rOutras linhas da listagem que tamb\xE9m n\xE3o "
             "descrevem nenhum arquivo: 1"},
        {"a listing no format recognises",
         "ftp listing of an unknown kind\r\nanother line\r\n",
         {tsDiffers, tsDiffers},
         {},
         unread +
             "ftp listing of an unknown kind\r\rOutras linhas da listagem que tamb\xE9m n\xE3o "
             "descrevem nenhum arquivo: 1"},
        {"the last line alone",
         "-rw-r--r--   1 owner group       8 Nov 20 08:59 novo.txt\r\n"
         "-rw-r--r--   1 owner group      11 Dec 1 14:07\r\n",
         {tsEqual, tsDiffers},
         {"novo.txt"},
         unread + "-rw-r--r--   1 owner group      11 Dec 1 14:07"},
    };
    server.file("novo.txt", "novidade");
    server.file("changed.dll", "novo codigo");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reason);
        fs::remove("novo.txt");
        server.listing(row.listing);
        const std::size_t before = retrieved().size();
        dialogs.shown.clear();
        view.upgrades = 0;
        run();
        const std::vector<std::string> all = retrieved();
        EXPECT_THAT(std::vector(all.begin() + static_cast<std::ptrdiff_t>(before), all.end()),
                    ::testing::ElementsAreArray(row.fetched));
        EXPECT_THAT(view.states, ::testing::ElementsAreArray(row.states));
        EXPECT_THAT(information(), ElementsAre(row.told)) << "one box, naming the first line";
        EXPECT_EQ(view.upgrades, 0);
        EXPECT_EQ(view.status, kCloseApps);
        EXPECT_FALSE(client.Connected());
    }
}

// A listing the server refused or broke off is no empty folder: the run
// says so, disconnects and skips the upgrade.
TEST_F(UpdateRunTest, RefusedOrBrokenListingsAreReportedAndSkipTheUpgrade) {
    const std::string notListed = "O servidor n\xE3o entregou a lista de arquivos: ";
    struct Row {
        const char* reason;
        const char* passive;
        test::ScriptedFtpServer::Handler list;
        std::string told;  // empty: any text after the prefix
    };
    const Row rows[] = {
        {"450 in passive mode: the client's empty listing", "TRUE",
         [](test::FtpSession& s, const std::string&) { s.reply("450 No files found"); },
         notListed + "No files found"},
        {"450 in active mode", "FALSE",
         [](test::FtpSession& s, const std::string&) { s.reply("450 No files found"); },
         notListed + "No files found"},
        {"550", "TRUE",
         [](test::FtpSession& s, const std::string&) { s.reply("550 Permission denied."); },
         notListed + "Permission denied."},
        {"the data connection is reset", "TRUE",
         [](test::FtpSession& s, const std::string&) {
             s.reply("150 Here comes the listing");
             s.openData().abort();
             s.reply("426 Data connection reset.");
         },
         notListed + "Data connection reset."},
        {"a listing line of 100 KiB", "TRUE",
         [](test::FtpSession& s, const std::string&) {
             s.reply("150 Here comes the listing");
             s.sendData(std::string(100 * 1024, 'x') + "\r\n");
             s.reply("226 Done");
         },
         ""},
        {"the server closes during the listing", "TRUE",
         [](test::FtpSession& s, const std::string&) {
             s.reply("150 Here comes the listing");
             s.drop();
         },
         ""},
    };
    test::writeFileBytes("anterior.txt", "da corrida anterior");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reason);
        writeSettings({"127.0.0.1", std::to_string(server.port()), row.passive});
        server.on("LIST", row.list);
        dialogs.shown.clear();
        view.upgrades = 0;
        run();
        const std::vector<std::string> shown = information();
        ASSERT_EQ(shown.size(), 1u);
        if (row.told.empty()) {
            EXPECT_THAT(shown[0], ::testing::StartsWith(notListed));
            EXPECT_GT(shown[0].size(), notListed.size()) << "the error's text follows";
        } else {
            EXPECT_EQ(shown[0], row.told);
        }
        EXPECT_THAT(view.nodes, IsEmpty());
        EXPECT_THAT(view.listing, IsEmpty());
        EXPECT_THAT(verbs("SIZE"), IsEmpty());
        EXPECT_EQ(view.upgrades, 0);
        EXPECT_EQ(view.status, kCloseApps);
        EXPECT_EQ(view.panel, "Desconectado!");
        EXPECT_FALSE(client.Connected());
    }
}

TEST_F(UpdateRunTest, UpgradeWindowOutcomeChoosesTheClosingMessage) {
    server.listing("");
    view.upgradeTag = 1;
    run();
    EXPECT_EQ(view.status, kContact);
    EXPECT_THAT(view.calls("tag "), ElementsAre("tag 1", "tag 0")) << "Tag reads 0 afterwards";

    // A failed script saved earlier locks the upgrade, as it locks the start.
    view.upgradeTag = 0;
    view.upgrades = 0;
    view.savedScript = "SCRIPT_ERRO_DT_10-12-2026_HR_09-00-00 BASE.TXT";
    run();
    EXPECT_EQ(view.upgrades, 0);
    EXPECT_THAT(view.calls("notice "),
                ElementsAre("notice SCRIPT_ERRO_DT_10-12-2026_HR_09-00-00 BASE.TXT"));
    EXPECT_EQ(view.status, kContact);
}

TEST_F(UpdateRunTest, WithoutTheGreenLabelOnlyTheUpgradeRuns) {
    view.ready = false;
    server.listing("-rw-r--r--   1 owner group  4 Jan 05  2023 a.exe\r\n");
    server.file("a.exe", "novo");
    run();
    EXPECT_THAT(verbs("LIST"), IsEmpty());
    EXPECT_THAT(view.nodes, IsEmpty());
    EXPECT_EQ(view.upgrades, 1);
    EXPECT_EQ(view.status, kSuccess);
}

TEST_F(UpdateRunTest, ArchiveDeliveredStartsTheExtraction) {
    server.listing("-rw-r--r--   1 owner group  3 Jan 05  2023 Sys_Brevant.rar\r\n");
    server.file("Sys_Brevant.rar", "rar");
    test::writeFileBytes("App_Vezra_Config.exe", "antigo");
    test::writeFileBytes("Sys_Brevant.exe", "loja");
    run();
    EXPECT_THAT(shell.started,
                ElementsAre("C:\\Program Files\\winrar\\WinRAR.exe x -o+ Sys_Brevant.rar *.exe "
                            "\".\\\""));
    EXPECT_FALSE(fs::exists("App_Vezra_Config.exe"));
    EXPECT_EQ(view.status, kSuccess);
}

// The operator leaves while the window pumps its messages: during the
// listing, or in the middle of a file's download, whose temporary file goes
// and whose old file stays.
TEST_F(UpdateRunTest, LeavingDuringATransferStopsItAndDisconnects) {
    struct Row {
        const char* reason;
        int leaveAtPump;
        bool leaveDuringRetr;
        std::vector<std::string> fetched;
    };
    const Row rows[] = {
        {"during the listing", 1, false, {}},
        {"during the download", 0, true, {"grande.bin"}},
    };
    server.listing("-rw-r--r--   1 owner group  300000 Jan 05  2023 grande.bin\r\n");
    server.file("grande.bin", std::string(300000, 'g'));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reason);
        local("grande.bin", "anterior", at(2020, 1, 1, 0, 0));
        const std::size_t before = retrieved().size();
        view.pumps = 0;
        view.leaveAtPump = row.leaveAtPump;
        view.leaveWhen = [&] { return row.leaveDuringRetr && retrieved().size() > before; };
        run();
        ASSERT_TRUE(server.waitForSessionsToEnd());
        const std::vector<std::string> all = retrieved();
        EXPECT_THAT(std::vector(all.begin() + static_cast<std::ptrdiff_t>(before), all.end()),
                    ::testing::ElementsAreArray(row.fetched));
        EXPECT_EQ(test::readFileBytes("grande.bin"), "anterior");
        EXPECT_EQ(fileSystem().modificationTime("grande.bin"), at(2020, 1, 1, 0, 0));
        EXPECT_THAT(namesInFolder(), ::testing::UnorderedElementsAre("atualiza.cfg", "grande.bin"))
            << "no temporary file stays behind";
        EXPECT_FALSE(client.Connected());
        EXPECT_EQ(server.sessions().back().back(), "QUIT");
        EXPECT_EQ(view.upgrades, 0);
        EXPECT_THAT(view.calls("status Atualiza"), IsEmpty())
            << "no closing message: the window goes";
        EXPECT_THAT(dialogs.shown, IsEmpty());
    }
}

// What the scripted server answers by default, for handlers that change
// the answer on one connection only.
void answerSizeOf(test::FtpSession& s, const std::string& name) {
    bool found = false;
    const std::string content = s.server().fileContent(name, found);
    s.reply(found ? "213 " + std::to_string(content.size()) : "550 No such file");
}
void answerPasvOf(test::FtpSession& s) {
    s.passiveListener = TcpListener::listen(s.localHost(), 0, 0);
    const std::uint16_t port = s.passiveListener.localAddress().port;
    s.reply("227 Entering Passive Mode (127,0,0,1," + std::to_string(port >> 8) + "," +
            std::to_string(port & 0xFF) + ").");
}
void serveFile(test::FtpSession& s, const std::string& name) {
    bool found = false;
    const std::string content = s.server().fileContent(name, found);
    if (!found) return s.reply("550 No such file");
    s.reply("150 Opening BINARY mode data connection");
    s.sendData(content);
    s.reply("226 Transfer complete.");
}

// A server that answers a small file with endless data: the download stops
// once more arrives than the server announced (its size query, or its
// listing line when it refuses the query), the file fails as oversized and
// its temporary file goes. A refused size query alone is no fault.
TEST_F(UpdateRunTest, DownloadBeyondTheAnnouncedSizeFailsAndLeavesNothing) {
    constexpr std::int64_t kEndless = 64 << 20;
    struct Case {
        const char* sizeQuery;
        bool refused;
    };
    const Case cases[] = {{"answered", false}, {"refused: the listing's size", true}};
    server.listing(
        "-rw-r--r--   1 owner group   10240 Jan 05  2023 grande.bin\r\n"
        "-rw-r--r--   1 owner group       3 Jan 05  2023 ok.txt\r\n");
    server.file("grande.bin", std::string(10240, 'g'));
    server.file("ok.txt", "bom");
    std::atomic<std::int64_t> sent{0};
    server.on("RETR", [&](test::FtpSession& s, const std::string& name) {
        s.reply("150 Opening BINARY mode data connection");
        if (name == "grande.bin") {
            sent = s.sendEndlessly(kEndless);
            return s.reply("426 Connection closed; transfer aborted.");
        }
        s.sendData("bom");
        s.reply("226 Transfer complete.");
    });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sizeQuery);
        if (c.refused) server.reply("SIZE", "550 SIZE not allowed here");
        for (const char* name : {"grande.bin", "ok.txt"}) fs::remove(name);
        dialogs.shown.clear();
        view.upgrades = 0;
        run();
        EXPECT_LT(sent, kEndless / 2) << "the run stopped receiving";
        EXPECT_THAT(information(),
                    ElementsAre("Arquivo grande.bin recebido maior que os 10240 bytes anunciados "
                                "pelo servidor; o download foi interrompido."));
        EXPECT_THAT(view.states, ElementsAre(tsDiffers, tsEqual)) << "the pass goes on";
        EXPECT_EQ(view.upgrades, 0);
        EXPECT_EQ(view.status, kCloseApps);
        EXPECT_THAT(namesInFolder(), ::testing::UnorderedElementsAre("atualiza.cfg"))
            << "no temporary file stays behind, and ok.txt, fetched whole, is not put in "
               "place by a run with a failed file";
    }

    // Within the listing's size, a refused size query fetches as usual; the
    // size shown is the refusal's (-1 as an unsigned 32-bit number).
    server.on("RETR", serveFile);
    dialogs.shown.clear();
    run();
    EXPECT_EQ(test::readFileBytes("grande.bin"), std::string(10240, 'g'));
    EXPECT_EQ(test::readFileBytes("ok.txt"), "bom");
    EXPECT_EQ(progress.BytesToTransfer, 4294967295u);
    EXPECT_THAT(information(), IsEmpty());
    EXPECT_EQ(view.status, kSuccess);
}

// With the size query refused, the listing's size is the only one the run
// has: a transfer that ends short of it (the server closed the data
// connection early and still said 226) is a failed download.
TEST_F(UpdateRunTest, TransferShorterThanTheListingsSizeFailsWhenTheSizeQueryIsRefused) {
    server.listing("-rw-r--r--   1 owner group   10240 Jan 05  2023 curto.bin\r\n");
    server.file("curto.bin", std::string(100, 'c'));
    server.reply("SIZE", "550 SIZE not allowed here");
    run();
    EXPECT_THAT(information(),
                ElementsAre("Arquivo curto.bin recebido incompleto: 100 de 10240 bytes."));
    EXPECT_FALSE(fs::exists("curto.bin"));
    EXPECT_EQ(view.status, kCloseApps);
    EXPECT_EQ(view.upgrades, 0);
}

// Once every rename is done the files have landed: a journal that cannot
// be removed then is no failure of the run (the next start removes it).
TEST_F(UpdateRunTest, AJournalThatStaysAfterEveryRenameIsNoFailure) {
    struct KeepsTheJournal : test::DelegatingFileSystem {
        bool deleteFile(const std::string& name) override {
            return extractFileName(name) != kCommitJournalName &&
                   DelegatingFileSystem::deleteFile(name);
        }
    };
    server.listing(
        "-rw-r--r--   1 owner group       4 Jan 05  2023 novo.exe\r\n"
        "-rw-r--r--   1 owner group       4 Jan 05  2023 velho.exe\r\n");
    server.file("novo.exe", "novo");
    server.file("velho.exe", "nova");
    local("velho.exe", "velha", at(2020, 1, 1, 0, 0));
    {
        KeepsTheJournal disk;
        ScopedService<FileSystem> use{disk};
        run();
    }
    EXPECT_THAT(information(), IsEmpty());
    EXPECT_EQ(view.status, kSuccess);
    EXPECT_EQ(view.upgrades, 1);
    EXPECT_EQ(test::readFileBytes("novo.exe"), "novo");
    EXPECT_EQ(test::readFileBytes("velho.exe"), "nova");
    // The next start finishes the clean-up.
    EXPECT_EQ(recoverInterruptedCommit("").outcome, CommitRecovery::Outcome::RolledForward);
    EXPECT_THAT(namesInFolder(),
                ::testing::UnorderedElementsAre("atualiza.cfg", "novo.exe", "velho.exe"));
}

// The control connection lost in the middle of the download pass: the run
// connects and logs in once more and goes on with the next file. When that
// fails too, one box says so, the files not yet looked at turn red and the
// run still ends with its closing text.
TEST_F(UpdateRunTest, LostControlConnectionIsMadeAgainOnceOrTheRunEndsWithErrors) {
    struct Case {
        const char* fault;
        test::ScriptedFtpServer::Handler size, pasv, retr;  // on the first connection
        bool refuseSecondConnection;
        ::testing::Matcher<std::vector<std::string>> boxes;
        std::vector<TreeState> states;
    };
    const auto closing = [](test::FtpSession& s, const std::string& name) {
        if (name != "c.bin") return answerSizeOf(s, name);
        s.reply("421 Timeout (no operation for 900 seconds): closing control connection.");
        s.drop();
    };
    const auto deadPort = [](test::FtpSession& s, const std::string&) {
        // Announces a port nobody listens on: the connect is refused.
        const std::uint16_t port = TcpListener::listen("127.0.0.1", 0, 0).localAddress().port;
        s.reply("227 Entering Passive Mode (127,0,0,1," + std::to_string(port >> 8) + "," +
                std::to_string(port & 0xFF) + ").");
    };
    // The client's limits run on a clock the server moves while it holds
    // its reply back, so no case waits them out on the real clock.
    ManualMonotonicClock steady;
    ScopedService<MonotonicClock> useSteady{steady};
    const auto waitsForTheDataConnection = [&steady](test::FtpSession& s, const std::string&) {
        // Like vsftpd: no reply until the data connection comes, which it
        // never does; the client gives up and closes.
        for (int i = 0; i < 15000 && !s.clientClosed() && !s.waitForCommand(1); ++i)
            steady.advance(std::chrono::milliseconds(50));
    };
    const std::string lost = "421 Timeout (no operation for 900 seconds): closing control connection.";
    const Case cases[] = {
        {"421 among the size queries in flight",
         closing,
         {},
         {},
         false,
         ElementsAre(lost.substr(4)),
         {tsEqual, tsDiffers, tsEqual, tsEqual}},
        {"421 among the size queries in flight, the new connection refused",
         closing,
         {},
         {},
         true,
         ElementsAre(lost.substr(4),
                     ::testing::AllOf(
                         ::testing::StartsWith("A conex\xE3o com o servidor caiu e n\xE3o p\xF4"
                                               "de ser refeita: "),
                         ::testing::HasSubstr("Too many connections"))),
         {tsEqual, tsDiffers, tsDiffers, tsDiffers}},
        {"data connection refused while the server waits for it",
         {},
         deadPort,
         waitsForTheDataConnection,
         false,
         ElementsAre(::testing::HasSubstr("127.0.0.1")),
         {tsEqual, tsDiffers, tsEqual, tsEqual}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        test::ScriptedFtpServer scripted;
        writeSettings({"127.0.0.1", std::to_string(scripted.port()), "TRUE"});
        std::string listing;
        for (const char* name : {"a.bin", "b.bin", "c.bin", "d.bin"}) {
            listing += "-rw-r--r--   1 owner group  3 Jan 05  2023 " + std::string(name) + "\r\n";
            scripted.file(name, "abc");
            fs::remove(name);
        }
        scripted.listing(listing);
        if (c.refuseSecondConnection)
            scripted.onConnect([](test::FtpSession& s, const std::string&) {
                if (s.index() == 0) return s.reply("220 Scripted FTP server ready");
                s.reply("421 Too many connections (1) from this IP");
                s.drop();
            });
        // The faults hit the first connection only.
        if (c.size)
            scripted.on("SIZE", [&c](test::FtpSession& s, const std::string& name) {
                if (s.index() == 0) return c.size(s, name);
                answerSizeOf(s, name);
            });
        std::atomic<int> pasvCount{0};
        if (c.pasv)
            scripted.on("PASV", [&c, &pasvCount](test::FtpSession& s, const std::string& a) {
                // The listing's, a.bin's, then b.bin's.
                if (s.index() == 0 && ++pasvCount == 3) return c.pasv(s, a);
                answerPasvOf(s);
            });
        if (c.retr)
            scripted.on("RETR", [&c](test::FtpSession& s, const std::string& name) {
                if (s.index() == 0 && name == "b.bin") return c.retr(s, name);
                serveFile(s, name);
            });
        dialogs.shown.clear();
        view.upgrades = 0;
        run();

        EXPECT_THAT(information(), c.boxes);
        EXPECT_EQ(view.states, c.states);
        // The green ones arrived whole; with a failed file none is put in place.
        for (const char* name : {"a.bin", "b.bin", "c.bin", "d.bin"})
            EXPECT_FALSE(fs::exists(name)) << name;
        EXPECT_EQ(scripted.connectionCount(), 2);
        EXPECT_EQ(view.upgrades, 0);
        EXPECT_EQ(view.status, kCloseApps) << "the run ends with its closing text";
        EXPECT_FALSE(client.Connected());
    }
}

}  // namespace
}  // namespace velm

namespace velm {
namespace {

// The size queries go out ahead of their entries; each entry still shows its
// own answer (the counter at the end of its download shows BytesToTransfer),
// also on a server that answers only the first command of what arrived,
// where the run goes on one command at a time.
TEST_F(UpdateRunTest, EveryEntryShowsItsOwnSizeWithQueriesInFlight) {
    struct Case {
        const char* server;
        bool dropsCommands;
        TFtpClient::Pipelining mode;
    };
    const Case cases[] = {
        {"takes commands in flight", false, TFtpClient::Pipelining::Works},
        {"answers only the first command of what arrived", true,
         TFtpClient::Pipelining::OneAtATime},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.server);
        test::ScriptedFtpServer scripted;
        if (c.dropsCommands) scripted.answerOnlyFirstCommandOfEachRead();
        writeSettings({"127.0.0.1", std::to_string(scripted.port()), "TRUE"});
        std::string listing;
        std::vector<std::string> names, counters;
        for (int i = 1; i <= 6; ++i) {
            const std::string name = "arquivo" + std::to_string(i) + ".bin";
            listing += "-rw-r--r--   1 owner group  " + std::to_string(i * 1024) +
                       " Jan 05  2023 " + name + "\r\n";
            scripted.file(name, std::string(static_cast<std::size_t>(i) * 1024, 'a' + i));
            fs::remove(name);
            if (i == 4) {
                local(name, std::string(4096, 'a' + i),
                      at(2023, 1, 5, 0, 0));  // equal: not fetched
            } else {
                names.push_back(name);
                counters.push_back("counter Transferidos: " + std::to_string(i) + " Kb");
            }
        }
        scripted.listing(listing);
        view.transcript.clear();
        run();

        std::vector<std::string> fetched, sized, shown;
        for (const std::string& command : scripted.commands()) {
            if (command.rfind("RETR ", 0) == 0) fetched.push_back(command.substr(5));
            if (command.rfind("SIZE ", 0) == 0) sized.push_back(command.substr(5));
        }
        EXPECT_EQ(fetched, names);
        EXPECT_THAT(sized, ElementsAre("arquivo1.bin", "arquivo2.bin", "arquivo3.bin",
                                       "arquivo4.bin", "arquivo5.bin", "arquivo6.bin"));
        for (const std::string& call : view.calls("counter Transferidos: "))
            if (call.find(" de ") == std::string::npos) shown.push_back(call);
        ASSERT_FALSE(shown.empty());
        shown.erase(shown.begin());  // the listing's, with the size of the run before
        EXPECT_EQ(shown, counters);
        for (int i : {1, 2, 3, 5, 6})
            EXPECT_EQ(test::readFileBytes("arquivo" + std::to_string(i) + ".bin"),
                      std::string(static_cast<std::size_t>(i) * 1024, 'a' + i));
        EXPECT_EQ(client.CommandsInFlight(), c.mode);
        EXPECT_EQ(view.status, kSuccess);
        EXPECT_THAT(dialogs.shown, IsEmpty());
    }
}

}  // namespace
}  // namespace velm
