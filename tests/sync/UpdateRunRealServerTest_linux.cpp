#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <random>

#include "ftp/FtpClient.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "support/DelayProxy.h"
#include "support/FileBytes.h"
#include "support/PyftpdlibRun_linux.h"
#include "support/RecordingRunView.h"
#include "support/ScopedEnvironment.h"
#include "support/ServerTurn.h"
#include "support/TempFolder.h"
#include "support/TestServers.h"
#include "sync/TransferProgress.h"
#include "sync/UpdateRun.h"

namespace velm {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

using test::hoursAgo;
using test::randomBytes;

// The update run against a real pyftpdlib over a product directory
// "quorixsenha", in passive and in active mode.
class UpdateRunRealServerTest : public ::testing::TestWithParam<bool>, public test::PyftpdlibRun {
protected:
    void SetUp() override {
        prepareRelease(3 * 1024 * 1024 + 5);
        startServer(GetParam());
        prepareShopFolder();
    }
};

TEST_P(UpdateRunRealServerTest, DownloadsWhatDiffersThenNothing) {
    run();
    EXPECT_THAT(dialogs.shown, ::testing::IsEmpty());
    EXPECT_EQ(view.status, "Atualiza\xE7\xE3o finalizada com sucesso.");
    EXPECT_THAT(server->commands("RETR"),
                UnorderedElementsAre("RETR changed.exe", "RETR novo arquivo.txt"));
    EXPECT_THAT(server->commands("SIZE"), UnorderedElementsAre("SIZE changed.exe", "SIZE equal.dll",
                                                               "SIZE novo arquivo.txt"));
    for (const char* name : {"changed.exe", "equal.dll", "novo arquivo.txt"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(test::readFileBytes(name), test::readFileBytes(product / name));
        // Stamped with the server's minute (listed in GMT, read in UTC).
        const auto local = fs::last_write_time(name), there = fs::last_write_time(product / name);
        EXPECT_EQ(std::chrono::floor<std::chrono::minutes>(local),
                  std::chrono::floor<std::chrono::minutes>(there));
    }
    EXPECT_THAT(view.states, ElementsAre(tsEqual, tsEqual, tsEqual));
    EXPECT_EQ(view.upgrades, 1);

    const std::size_t sizes = server->commands("SIZE").size();
    run();
    EXPECT_THAT(server->commands("RETR"), ::testing::SizeIs(2)) << "the second run fetches nothing";
    EXPECT_EQ(server->commands("SIZE").size(), sizes + 3);
    EXPECT_THAT(view.states, ElementsAre(tsEqual, tsEqual, tsEqual));
    EXPECT_EQ(view.status, "Atualiza\xE7\xE3o finalizada com sucesso.");
    if (!GetParam()) {
        EXPECT_THAT(server->commands("PORT"), ::testing::Not(::testing::IsEmpty()));
        EXPECT_THAT(server->commands("PASV"), ::testing::IsEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, UpdateRunRealServerTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Passive" : "Active"; });

// vsftpd behind a relay that refuses one passive port, as a firewall may.
// vsftpd has then read the RETR sent with that PASV and waits a minute for
// the data connection, far longer than the client waits for its reply, so
// the client closes the control connection. The run connects again and
// fetches the other files; only that one fails (so none is put in place),
// and the next run brings them all.
TEST(UpdateRunVsftpdTest, ARefusedDataConnectionCostsOneFile) {
    VELM_REQUIRE_SERVER_VARIABLES("VELM_TEST_VSFTPD_PORT", "VELM_TEST_VSFTPD_ROOT",
                                  "VELM_TEST_VSFTPD_UPDATE_USER", "VELM_TEST_VSFTPD_PASSWORD");
    struct RereadZone {
        ~RereadZone() { tzset(); }
    } rereadZone;
    test::ScopedEnvironment zone{"TZ", "UTC0"};  // vsftpd lists in GMT
    tzset();
    const fs::path root = test::serverVariable("VELM_TEST_VSFTPD_ROOT");
    // The product directory is the run's fixed one: one test at a time.
    test::ServerTurn turn(root.parent_path() / "VSFTPD-test-turn");
    const fs::path product = root / "quorixsenha";
    struct RemovedAfter {
        fs::path folder;
        ~RemovedAfter() {
            std::error_code ignored;
            fs::remove_all(folder, ignored);
        }
    } removed{product};
    fs::create_directories(product);
    std::vector<std::string> names;
    for (int i = 1; i <= 8; ++i) {
        names.push_back("arquivo" + std::to_string(i) + ".bin");
        test::writeFileBytes(product / names.back(), randomBytes(20000 + i, i));
        fs::last_write_time(product / names.back(), hoursAgo(3));
    }
    // Passive replies: the listing's first, then one per file: the fourth file's.
    test::DelayProxy relay(std::stoi(test::serverVariable("VELM_TEST_VSFTPD_PORT")),
                           {"--rtt-ms", "0", "--refuse-passive", "5"});

    test::TempFolder folder{test::TempFolder::Enter::Yes};
    fileSystem().writeTextLines("atualiza.cfg",
                                {"127.0.0.1", std::to_string(relay.port()), "TRUE"});
    RecordingDialogs dialogs;
    ScopedService<Dialogs> useDialogs{dialogs};
    RecordingProcess process;
    ScopedService<Process> useProcess{process};
    test::RecordingRunView view;
    view.password = test::serverVariable("VELM_TEST_VSFTPD_PASSWORD");
    TFtpClient client;
    client.ReadTimeout = 20000;
    TransferProgress progress{view};
    progress.bind(client);

    UpdateRun(client, view, progress).AtualizaSistema();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_THAT(dialogs.shown[0].text, ::testing::HasSubstr("Connecting to 127.0.0.1:"));
    EXPECT_THAT(view.states, ElementsAre(tsEqual, tsEqual, tsEqual, tsDiffers, tsEqual, tsEqual,
                                         tsEqual, tsEqual));
    // The other files arrived, but a run with a failed file puts none in place.
    for (const std::string& name : names) EXPECT_FALSE(fs::exists(name)) << name;
    EXPECT_EQ(view.status,
              "Atualiza\xE7\xE3o finalizada com erros, feche os aplicativos e tente denovo.");

    dialogs.shown.clear();
    UpdateRun(client, view, progress).AtualizaSistema();
    EXPECT_THAT(dialogs.shown, ::testing::IsEmpty());
    for (const std::string& name : names)
        EXPECT_EQ(test::readFileBytes(name), test::readFileBytes(product / name)) << name;
    EXPECT_EQ(view.status, "Atualiza\xE7\xE3o finalizada com sucesso.");
}

}  // namespace
}  // namespace velm
