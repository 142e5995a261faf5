#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <ostream>
#include <random>

#include "ftp/FtpClient.h"
#include "platform/Clock.h"
#include "support/FileBytes.h"
#include "support/ServerTurn.h"
#include "support/TempFolder.h"
#include "support/TestServers.h"

namespace velm {
namespace {

namespace fs = std::filesystem;

// The real servers started by scripts/services.sh: pyftpdlib and vsftpd.
struct RealServer {
    const char* name;
    const char* prefix;  // of the VELM_TEST_<prefix>_PORT/ROOT/USER/PASSWORD variables
    bool passive;
};

void PrintTo(const RealServer& s, std::ostream* out) { *out << s.name; }

std::string variable(const RealServer& s, const char* what) {
    return test::serverVariable(("VELM_TEST_" + std::string(s.prefix) + "_" + what).c_str());
}

std::string randomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string s(size, '\0');
    for (char& c : s) c = static_cast<char>(random() & 0xFF);
    return s;
}


DateTime fromSystemClock(std::chrono::system_clock::time_point t) {
    const double seconds = std::chrono::duration<double>(t.time_since_epoch()).count();
    return DateTime{25569.0 + seconds / 86400.0};  // 1970-01-01 is day 25569
}

class FtpRealServerTest : public ::testing::TestWithParam<RealServer> {
protected:
    void SetUp() override {
        const std::string prefix = std::string("VELM_TEST_") + GetParam().prefix;
        const std::string port = prefix + "_PORT", root = prefix + "_ROOT", user = prefix + "_USER",
                          password = prefix + "_PASSWORD";
        VELM_REQUIRE_SERVER_VARIABLES(port.c_str(), root.c_str(), user.c_str(), password.c_str());
        // One session at a time on each server: pyftpdlib now and then never
        // accepts a passive data connection while another session's transfer
        // ends at the same moment, and the stalled test waits for its time-out.
        turn.emplace(fs::path(variable(GetParam(), "ROOT")).parent_path() /
                     (std::string(GetParam().prefix) + "-test-turn"));

        // A folder of our own in the server's root, so that runs never meet.
        folderName = "velm-" + std::to_string(std::random_device()());
        remote = fs::path(variable(GetParam(), "ROOT")) / folderName;
        fs::create_directories(remote);
        files = {{"a.exe", randomBytes(300000, 1)},
                 {"data.bin", randomBytes(3 * 1024 * 1024 + 17, 2)},
                 {"empty.txt", ""}};
        for (const auto& [name, content] : files)
            test::writeFileBytes(remote / name, content);

        client.Host = "127.0.0.1";
        client.Port = static_cast<std::uint16_t>(std::stoi(variable(GetParam(), "PORT")));
        client.Username = variable(GetParam(), "USER");
        client.Password = variable(GetParam(), "PASSWORD");
        client.Passive = GetParam().passive;
        client.ReadTimeout = 20000;
    }

    void TearDown() override {
        if (!remote.empty()) {
            std::error_code ignored;
            fs::remove_all(remote, ignored);
        }
    }

    std::optional<test::ServerTurn> turn;  // released last, after the client closed
    std::string folderName;
    fs::path remote;
    std::vector<std::pair<std::string, std::string>> files;
    TFtpClient client;
    // Both servers list times in GMT: "now" is read the same way.
    FixedClock utcClock{fromSystemClock(std::chrono::system_clock::now())};
    ScopedService<Clock> clockService{utcClock};
    test::TempFolder local;
};

TEST_P(FtpRealServerTest, ListsAndDownloadsByteIdenticalFiles) {
    client.Connect();
    client.SetTransferType(ftBinary);
    client.ChangeDir(folderName);
    std::vector<std::string> lines;
    client.List(&lines, "", true);
    const TFtpListItems& items = client.DirectoryListing();
    EXPECT_EQ(client.DirFormat(), "Unix");
    ASSERT_EQ(items.Count(), static_cast<int>(files.size())) << ::testing::PrintToString(lines);
    ASSERT_EQ(lines.size(), files.size());

    for (const auto& [name, content] : files) {
        SCOPED_TRACE(name);
        const auto item =
            std::find_if(items.begin(), items.end(),
                         [&wanted = name](const TFtpListItem& i) { return i.FileName == wanted; });
        ASSERT_NE(item, items.end());
        EXPECT_EQ(item->ItemType, ditFile);
        EXPECT_EQ(item->Size, static_cast<std::int64_t>(content.size()));
        // The listed time is the file's, in GMT, to the minute.
        const auto written = std::chrono::file_clock::to_sys(fs::last_write_time(remote / name));
        const DateParts expected = decodeDateTime(fromSystemClock(
            std::chrono::time_point_cast<std::chrono::system_clock::duration>(written)));
        const DateParts listed = decodeDateTime(item->ModifiedDate);
        EXPECT_EQ(std::tie(listed.year, listed.month, listed.day, listed.hour, listed.minute),
                  std::tie(expected.year, expected.month, expected.day, expected.hour,
                           expected.minute));

        EXPECT_EQ(client.Size(name), static_cast<std::int64_t>(content.size()));
        client.Get(name, local / name, true, false);
        EXPECT_TRUE(test::readFileBytes(local.path() / name) == content);
    }
    // Fetching over an existing file replaces it.
    client.Get("a.exe", local / "data.bin", true, false);
    EXPECT_TRUE(test::readFileBytes(local.path() / "data.bin") == files[0].second);

    EXPECT_EQ(client.Size("missing.bin"), -1);
    EXPECT_THROW(client.Get("missing.bin", local / "missing.bin", true, false), EFtpReplyError);
    EXPECT_FALSE(fs::exists(local.path() / "missing.bin"));
    EXPECT_THROW(client.ChangeDir("no-such-folder"), EFtpReplyError);
    EXPECT_TRUE(client.Connected());
    client.Disconnect();
    EXPECT_FALSE(client.Connected());
}

// The login does not depend on the data connection's mode: once per server.
class FtpRealServerLoginTest : public FtpRealServerTest {};

TEST_P(FtpRealServerLoginTest, RefusedLogin) {
    client.Password = "wrong password";
    try {
        client.Connect();
        FAIL() << "logged in";
    } catch (const EFtpReplyError& e) {
        EXPECT_EQ(e.ErrorCode(), 530);
    }
    EXPECT_FALSE(client.Connected());
}

INSTANTIATE_TEST_SUITE_P(Servers, FtpRealServerTest,
                         ::testing::Values(RealServer{"pyftpdlib_passive", "FTP", true},
                                           RealServer{"pyftpdlib_active", "FTP", false},
                                           RealServer{"vsftpd_passive", "VSFTPD", true},
                                           RealServer{"vsftpd_active", "VSFTPD", false}),
                         [](const auto& info) { return std::string(info.param.name); });
INSTANTIATE_TEST_SUITE_P(Servers, FtpRealServerLoginTest,
                         ::testing::Values(RealServer{"pyftpdlib", "FTP", true},
                                           RealServer{"vsftpd", "VSFTPD", true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velm
