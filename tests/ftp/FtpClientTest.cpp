#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <regex>
#include <sstream>
#include <thread>
#include <utility>

#include "ftp/FtpClient.h"
#include "ftp/FtpPassive.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/MonotonicClock.h"
#include "support/FileBytes.h"
#include "support/ScriptedFtpServer.h"
#include "support/TempFolder.h"

namespace velm {
namespace {

using test::FtpSession;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

std::string pattern(std::size_t size) {
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
    return s;
}

std::vector<std::string> folderEntries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void pause(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::vector<std::string> joined(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// The fixture's login up to the password, and what a successful login sends after it.
const std::vector<std::string> kUserAndPass = {"HOST 127.0.0.1", "USER ftpuser", "PASS secret"};
const std::vector<std::string> kAfterLogin = {"FEAT", "TYPE A", "SYST", "TYPE A"};

// The transcript of the fixture's login, then `rest`.
std::vector<std::string> loginThen(const std::vector<std::string>& rest = {}) {
    return joined({kUserAndPass, kAfterLogin, rest});
}

// The message of the error that `call` raises; "no error" when it returns.
template <class Call>
std::string errorText(Call&& call) {
    try {
        call();
    } catch (const Error& e) {
        return e.what();
    }
    return "no error";
}

// Whether closing a socket with a reset reaches its peer as one. Wine closes
// in order instead when nothing is left unread, so the cases that need a
// reset on a data connection run only where the system sends one.
bool resetsReachThePeer() {
    static const bool resets = [] {
        TcpListener listener = TcpListener::listen("127.0.0.1", 0, 0);
        TcpSocket near = TcpSocket::connect("127.0.0.1", listener.localAddress().port, 2000);
        TcpSocket far = listener.accept(2000);
        far.write("x", 1, 2000);
        char byte;
        near.read(&byte, 1, 2000);
        far.abort();
        try {
            near.read(&byte, 1, 2000);
            return false;
        } catch (const SocketError& e) {
            return e.connectionLost();
        }
    }();
    return resets;
}

// Longer than any handler's wait in these tests: a client that fails to give
// up makes its test fail instead of hanging it.
constexpr int kHoldCapMs = 15000;

const std::string kListing =
    "-rw-r--r--   1 owner    group      100000 Mar  5 14:07 a.exe\r\n"
    "-rw-r--r--   1 owner    group          12 Mar  6 09:30 b.dll\r\n";

// The client of the update window against the scripted server, with every
// event recorded.
class FtpClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        client.Host = "127.0.0.1";
        client.Port = server.port();
        client.Username = "ftpuser";
        client.Password = "secret";
        client.Passive = true;
        client.ReadTimeout = 10000;  // a fault must fail the test, not hang it
        client.OnStatus = [this](TFtpClient& sender, TFtpStatus status, const std::string& text) {
            EXPECT_EQ(&sender, &client);
            statuses.push_back(std::to_string(status) + " " + text);
            if (status == ftpAborted && releaseWhenAborted) releaseWhenAborted->release();
        };
        client.OnWorkBegin = [this](TFtpClient&, TWorkMode mode, std::int64_t max) {
            work.push_back("begin " + std::to_string(mode) + " " + std::to_string(max));
            counts.emplace_back();
        };
        client.OnWork = [this](TFtpClient&, TWorkMode mode, std::int64_t count) {
            EXPECT_EQ(mode, wmRead);
            ASSERT_FALSE(counts.empty());
            counts.back().push_back(count);
            if (releaseWhenReceived.server && count >= releaseWhenReceived.bytes)
                std::exchange(releaseWhenReceived.server, nullptr)->release();
        };
        client.OnWorkEnd = [this](TFtpClient&, TWorkMode mode) {
            const bool any = !counts.empty() && !counts.back().empty();
            work.push_back("end " + std::to_string(mode) + " after " +
                           std::to_string(any ? counts.back().back() : 0));
        };
        server.file("a.exe", pattern(100000));
        server.file("b.dll", "twelve bytes");
        server.listing(kListing);
    }

    std::string local(const std::string& name) const { return folder / name; }

    // The update run's calls: connect, binary, product folder, listing.
    void connectAndList() {
        client.Connect();
        client.SetTransferType(ftBinary);
        client.ChangeDir("quorixsenha");
        client.List(&lines, "", true);
    }

    // Commands with the PORT numbers blanked out (they change per run).
    std::vector<std::string> transcript() const {
        std::vector<std::string> out;
        for (const std::string& c : server.commands())
            out.push_back(std::regex_replace(c, std::regex("^PORT 127,0,0,1,\\d+,\\d+$"),
                                             "PORT 127,0,0,1,*"));
        return out;
    }

    // The commands after the fixture's login, which they must begin with.
    std::vector<std::string> commandsAfterLogin() const {
        const std::vector<std::string> all = server.commands();
        const std::vector<std::string> login = loginThen();
        if (all.size() < login.size() || !std::equal(login.begin(), login.end(), all.begin())) {
            ADD_FAILURE() << "no login at the start of the transcript";
            return all;
        }
        return std::vector<std::string>(all.begin() + static_cast<std::ptrdiff_t>(login.size()),
                                        all.end());
    }

    // Declared first so that it outlives the servers' handlers that move it
    // (installed by FtpClientClockTest only).
    ManualMonotonicClock steady;
    test::ScriptedFtpServer server;
    TFtpClient client;
    FixedClock fixedClock{encodeDateTime({2024, 6, 15, 10, 0, 0, 0})};
    ScopedService<Clock> clockService{fixedClock};
    test::TempFolder folder;
    std::vector<std::string> statuses, work, lines;
    std::vector<std::vector<std::int64_t>> counts;  // running totals, per transfer
    // Released at ftpAborted: the client has given up on the transfer and
    // waits for the server's final reply.
    test::ScriptedFtpServer* releaseWhenAborted = nullptr;
    // Released once the client has received that many bytes of a transfer,
    // so that the server breaks the data connection with nothing in flight.
    struct {
        test::ScriptedFtpServer* server = nullptr;
        std::int64_t bytes = 0;
    } releaseWhenReceived;
};

using namespace std::chrono_literals;

// The client's time limits on a clock the test moves: a limit runs out only
// when the server, holding its answer back, moves the clock past it, so no
// case races the machine's speed. A watchdog moves the clock far on after a
// minute of real time, so that a client that waits for ever fails its test
// instead of hanging it.
class FtpClientClockTest : public FtpClientTest {
protected:
    ~FtpClientClockTest() override {
        {
            std::lock_guard lock(watchdogMutex_);
            finished_ = true;
        }
        watchdogWake_.notify_all();
        watchdog_.join();
    }

    // Holds the client waiting while the clock runs on in steps, until the
    // test calls release() (true), the client leaves or kHoldCapMs pass.
    bool holdWhileTheClockRuns(FtpSession& s, std::chrono::milliseconds step = 50ms) {
        for (int i = 0; i < kHoldCapMs && s.open(); ++i) {
            if (s.waitForRelease(1)) return true;
            steady.advance(step);
        }
        return false;
    }
    // Runs the clock on while the client waits, until its next command arrives.
    void runTheClockUntilTheNextCommand(FtpSession& s) {
        for (int i = 0; i < kHoldCapMs && s.open() && !s.waitForCommand(1); ++i)
            steady.advance(50ms);
    }

    ScopedService<MonotonicClock> steadyService{steady};

private:
    std::mutex watchdogMutex_;
    std::condition_variable watchdogWake_;
    bool finished_ = false;
    std::thread watchdog_{[this] {
        std::unique_lock lock(watchdogMutex_);
        if (!watchdogWake_.wait_for(lock, 60s, [this] { return finished_; })) steady.advance(24h);
    }};
};

TEST_F(FtpClientTest, UpdateRunSessionInPassiveMode) {
    connectAndList();
    const TFtpListItems& items = client.DirectoryListing();
    const std::int64_t size = client.Size("a.exe");
    client.Get("a.exe", local("a.exe"), true, false);
    client.Disconnect();

    EXPECT_EQ(server.commands(), loginThen({"TYPE I", "CWD quorixsenha", "TYPE A", "PASV", "LIST",
                                            "TYPE I", "SIZE a.exe", "PASV", "RETR a.exe", "QUIT"}));
    EXPECT_THAT(
        statuses,
        ElementsAre("1 Connecting to 127.0.0.1.", "2 Connected.", "7 Connection established",
                    "6 Starting FTP transfer", "7 Transfer complete", "6 Starting FTP transfer",
                    "7 Transfer complete", "3 Disconnecting.", "4 Disconnected."));
    EXPECT_THAT(lines, ElementsAre("-rw-r--r--   1 owner    group      100000 Mar  5 14:07 a.exe",
                                   "-rw-r--r--   1 owner    group          12 Mar  6 09:30 b.dll"));
    ASSERT_EQ(items.Count(), 2);
    EXPECT_EQ(items[0].FileName, "a.exe");
    EXPECT_EQ(decodeDateTime(items[1].ModifiedDate), (DateParts{2024, 3, 6, 9, 30, 0, 999}));
    EXPECT_EQ(client.DirFormat(), "Unix");
    EXPECT_EQ(size, 100000);
    EXPECT_EQ(test::readFileBytes(folder.path() / "a.exe"), pattern(100000));
    EXPECT_THAT(folderEntries(folder.path()), ElementsAre("a.exe"));
    EXPECT_EQ(client.Greeting().Text.front(), "Scripted FTP server ready");
    EXPECT_EQ(client.SystemDesc(), "UNIX Type: L8");
    EXPECT_EQ(client.TransferType(), ftBinary);
    EXPECT_FALSE(client.Connected());

    // One begin and one end per transfer, maximum 0; running totals per chunk.
    EXPECT_THAT(work, ElementsAre("begin 0 0", "end 0 after " + std::to_string(kListing.size()),
                                  "begin 0 0", "end 0 after 100000"));
    ASSERT_EQ(counts.size(), 2u);
    for (const auto& transfer : counts) {
        std::int64_t previous = 0;
        for (std::int64_t count : transfer) {
            EXPECT_GT(count, previous);
            EXPECT_LE(count - previous, 32768);
            previous = count;
        }
    }
    EXPECT_GE(counts[1].size(), 100000u / 32768u + 1);
}

TEST_F(FtpClientTest, UpdateRunSessionInActiveMode) {
    client.Passive = false;
    connectAndList();
    client.Get("b.dll", local("b.dll"), true, false);
    client.Disconnect();
    EXPECT_EQ(transcript(),
              loginThen({"TYPE I", "CWD quorixsenha", "TYPE A", "PORT 127,0,0,1,*", "LIST",
                         "TYPE I", "PORT 127,0,0,1,*", "RETR b.dll", "QUIT"}));
    EXPECT_EQ(lines.size(), 2u);
    EXPECT_EQ(test::readFileBytes(folder.path() / "b.dll"), "twelve bytes");
}

TEST_F(FtpClientTest, ActiveModeUsesTheConfiguredPortAndAddress) {
    client.Passive = false;
    client.Connect();
    // A free port for DataPort: let the system pick one, then release it.
    const std::uint16_t port = TcpListener::listen("127.0.0.1", 0, 0).localAddress().port;
    client.DataPort = port;
    client.Get("b.dll", local("b.dll"), true, false);
    const std::string portBytes = std::to_string(port >> 8) + "," + std::to_string(port & 0xFF);

    // A router's outside address is announced in place of the local one.
    client.ExternalIP = "10.9.8.7";
    server.reply("RETR", "550 Not today");
    EXPECT_THROW(client.Get("b.dll", local("c.dll"), true, false), EFtpReplyError);
    EXPECT_EQ(commandsAfterLogin(),
              (std::vector<std::string>{"PORT 127,0,0,1," + portBytes, "RETR b.dll",
                                        "PORT 10,9,8,7," + portBytes, "RETR b.dll"}));
    client.Disconnect();
}

// A server behind a router announces its private address in PASV: the data
// connection goes to the address the control connection reached instead. The
// server needs a routable address for that, so it listens on this machine's
// outgoing interface for the length of the test.
TEST_F(FtpClientTest, PrivatePassiveAddressFromARoutableServerGoesToItsAddress) {
    std::string outgoing;
    try {
        outgoing = localAddressTowards("198.51.100.1");
    } catch (const SocketError& e) {
        GTEST_SKIP() << e.what();
    }
    if (!isRoutableAddress(outgoing)) GTEST_SKIP() << "no routable local address: " << outgoing;
    test::ScriptedFtpServer routable(outgoing);
    routable.file("b.dll", "twelve bytes");
    routable.on("PASV", [](FtpSession& s, const std::string&) {
        s.passiveListener = TcpListener::listen(s.localHost(), 0, 0);
        const std::uint16_t port = s.passiveListener.localAddress().port;
        s.reply("227 Entering Passive Mode (192,168,1,5," + std::to_string(port >> 8) + "," +
                std::to_string(port & 0xFF) + ").");
    });
    client.Host = outgoing;
    client.Port = routable.port();
    client.ConnectTimeout = 2000;  // 192.168.1.5 would not answer
    client.Connect();
    client.Get("b.dll", local("b.dll"), true, false);
    EXPECT_EQ(test::readFileBytes(folder.path() / "b.dll"), "twelve bytes");
}

TEST_F(FtpClientTest, HostNamesAreResolvedFirst) {
    client.Host = "localhost";
    client.Connect();
    EXPECT_THAT(statuses,
                ElementsAre("0 Resolving hostname localhost.", "1 Connecting to 127.0.0.1.",
                            "2 Connected.", "7 Connection established"));
    EXPECT_EQ(server.commands().front(), "HOST localhost");
}

TEST_F(FtpClientTest, GreetingsAccepted) {
    server.greeting("120 Service ready in 1 minute\n220-Welcome\n220 Ready");
    client.Connect();
    EXPECT_EQ(client.Greeting().NumericCode, 220);
    EXPECT_THAT(client.Greeting().Text, ElementsAre("Welcome", "Ready"));
    EXPECT_TRUE(client.Connected());
}

TEST_F(FtpClientTest, GreetingsRefused) {
    struct Case {
        const char* greeting;
        int code;
        const char* message;
    };
    for (const Case c : {Case{"421 Too many users, try later", 421, "Too many users, try later"},
                         Case{"500 Go away", 500, "Go away"},
                         Case{"120 Wait\n421 Shutting down", 421, "Shutting down"}}) {
        SCOPED_TRACE(c.greeting);
        test::ScriptedFtpServer refusing;
        refusing.greeting(c.greeting);
        client.Port = refusing.port();
        statuses.clear();
        try {
            client.Connect();
            ADD_FAILURE() << "connected";
        } catch (const EFtpReplyError& e) {
            EXPECT_EQ(e.ErrorCode(), c.code);
            EXPECT_STREQ(e.what(), c.message);
        }
        EXPECT_FALSE(client.Connected());
        ASSERT_TRUE(refusing.waitForSessionsToEnd());
        EXPECT_THAT(refusing.commands(), ElementsAre());  // no HOST, no QUIT
        EXPECT_THAT(statuses, ElementsAre("1 Connecting to 127.0.0.1.", "2 Connected.",
                                          "3 Disconnecting.", "4 Disconnected."));
    }
}

// The clock stands still throughout: no case may need a wait to run out.
TEST_F(FtpClientClockTest, ServerDroppingTheConnectionOnHostIsReconnectedWithoutIt) {
    using Handler = test::ScriptedFtpServer::Handler;
    struct Case {
        const char* name;
        Handler host;
        Handler user;  // on the first connection; none: the ordinary answer
        std::vector<std::string> firstSession;
    };
    const std::vector<std::string> hostOnly = {"HOST 127.0.0.1"};
    const std::vector<std::string> hostAndUser = {"HOST 127.0.0.1", "USER ftpuser"};
    const Handler refuse = [](FtpSession& s, const std::string&) {
        s.reply("500 Unknown command");
    };
    const Case cases[] = {
        {"closed", [](FtpSession& s, const std::string&) { s.drop(); }, nullptr, hostOnly},
        {"reset", [](FtpSession& s, const std::string&) { s.reset(); }, nullptr, hostOnly},
        {"refused with 421, then closed",
         [](FtpSession& s, const std::string&) {
             s.reply("421 Closing");
             pause(100);
             s.drop();
         },
         nullptr, hostOnly},
        {"refused, then closed a moment later",
         [](FtpSession& s, const std::string&) {
             s.reply("500 Unknown command");
             pause(100);
             s.drop();
         },
         nullptr, hostOnly},
        // The client goes on without waiting, so the close may reach it only
        // after it sent USER.
        {"refused, closed once USER arrived", refuse,
         [](FtpSession& s, const std::string&) { s.drop(); }, hostAndUser},
        {"refused, reset once USER arrived", refuse,
         [](FtpSession& s, const std::string&) { s.reset(); }, hostAndUser},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::ScriptedFtpServer dropping;
        dropping.on("HOST", c.host);
        if (c.user)
            dropping.on("USER", [&c](FtpSession& s, const std::string& name) {
                if (s.index() == 0) return c.user(s, name);
                s.reply("331 Password required");
            });
        client.Port = dropping.port();
        statuses.clear();
        client.Connect();
        EXPECT_TRUE(client.Connected());
        EXPECT_THAT(
            dropping.sessions(),
            ElementsAre(ElementsAreArray(c.firstSession),
                        ElementsAreArray(joined({{"USER ftpuser", "PASS secret"}, kAfterLogin}))));
        EXPECT_THAT(statuses, ElementsAre("1 Connecting to 127.0.0.1.", "2 Connected.",
                                          "4 Disconnected.", "1 Connecting to 127.0.0.1.",
                                          "2 Connected.", "7 Connection established"));
        client.Disconnect();
    }
    EXPECT_EQ(steady.now(), 0ms);
}

// A refused HOST costs nothing: the login follows at once, on a clock that
// stands still (a client that waits for a close runs the clock on here, and
// fails).
TEST_F(FtpClientClockTest, HostRefusedButConnectionKeptGoesOnAtOnce) {
    std::atomic<bool> userAtOnce = false;
    server.on("HOST", [this, &userAtOnce](FtpSession& s, const std::string&) {
        s.reply("502 Command not implemented");
        userAtOnce = s.waitForCommand(kHoldCapMs);
        if (!userAtOnce) runTheClockUntilTheNextCommand(s);
    });
    client.Connect();
    EXPECT_TRUE(userAtOnce);
    EXPECT_EQ(server.connectionCount(), 1);
    EXPECT_EQ(server.commands(), loginThen());
    EXPECT_THAT(statuses, ElementsAre("1 Connecting to 127.0.0.1.", "2 Connected.",
                                      "7 Connection established"));
}

// Only a close that ends the first login exchange after a refused HOST is
// taken for the refusal; any other close during the login fails Connect on
// the one connection.
TEST_F(FtpClientTest, CloseDuringLoginIsNotTakenForAHostRefusal) {
    struct Case {
        const char* name;
        const char* hostReply;
        const char* closingVerb;
        std::vector<std::string> commands;
    };
    const Case cases[] = {
        {"HOST refused, closed on PASS", "502 Command not implemented", "PASS", kUserAndPass},
        {"HOST accepted, closed on USER",
         "220 Virtual host ready",
         "USER",
         {"HOST 127.0.0.1", "USER ftpuser"}},
        {"HOST refused, closed on FEAT", "502 Command not implemented", "FEAT",
         joined({kUserAndPass, {"FEAT"}})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::ScriptedFtpServer closing;
        closing.reply("HOST", c.hostReply);
        closing.on(c.closingVerb, [](FtpSession& s, const std::string&) { s.drop(); });
        client.Port = closing.port();
        EXPECT_EQ(errorText([&] { client.Connect(); }), "Connection Closed Gracefully.");
        EXPECT_FALSE(client.Connected());
        ASSERT_TRUE(closing.waitForSessionsToEnd());
        EXPECT_EQ(closing.connectionCount(), 1);
        EXPECT_EQ(closing.commands(), c.commands);
    }
}

TEST_F(FtpClientTest, HostCanBeLeftOut) {
    client.UseHOST = false;
    client.Connect();
    EXPECT_EQ(server.commands().front(), "USER ftpuser");
}

TEST_F(FtpClientTest, LoginVariants) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> replies;
        std::string account;
        std::vector<std::string> commands;
        int error;  // 0: logged in
    };
    const std::vector<std::string> hostAndUser = {"HOST 127.0.0.1", "USER ftpuser"};
    const std::vector<std::string> withoutPassword = joined({hostAndUser, kAfterLogin});
    const std::vector<std::string> withAccount = joined({kUserAndPass, {"ACCT acme"}, kAfterLogin});
    const std::vector<std::string> passwordThenQuit = joined({kUserAndPass, {"QUIT"}});
    const Case cases[] = {
        {"USER answered 230", {{"USER", "230 Welcome"}}, "", withoutPassword, 0},
        {"USER answered 232", {{"USER", "232 Logged in"}}, "", withoutPassword, 0},
        {"332 without account", {{"PASS", "332 Need account"}}, "", passwordThenQuit, 332},
        {"332 with account", {{"PASS", "332 Need account"}}, "acme", withAccount, 0},
        {"ACCT answered 500",
         {{"PASS", "332 Need account"}, {"ACCT", "500 ?"}},
         "acme",
         withAccount,
         0},
        {"password refused", {{"PASS", "530 Login incorrect."}}, "", passwordThenQuit, 530},
        {"user refused", {{"USER", "530 Not allowed"}}, "", joined({hostAndUser, {"QUIT"}}), 530},
        {"TYPE refused",
         {{"TYPE", "504 Not here"}},
         "",
         joined({kUserAndPass, {"FEAT", "TYPE A", "QUIT"}}),
         504},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::ScriptedFtpServer scripted;
        for (const auto& [verb, reply] : c.replies) scripted.reply(verb, reply);
        client.Port = scripted.port();
        client.Account = c.account;
        if (c.error == 0) {
            client.Connect();
            EXPECT_TRUE(client.Connected());
            client.Disconnect();
            std::vector<std::string> expected = c.commands;
            expected.push_back("QUIT");
            EXPECT_EQ(scripted.commands(), expected);
        } else {
            try {
                client.Connect();
                ADD_FAILURE() << "connected";
            } catch (const EFtpReplyError& e) {
                EXPECT_EQ(e.ErrorCode(), c.error);
            }
            EXPECT_FALSE(client.Connected());
            EXPECT_EQ(scripted.commands(), c.commands);
        }
    }
}

TEST_F(FtpClientTest, RefusedLoginCarriesTheServersText) {
    server.reply("PASS", "530 Login incorrect.");
    try {
        client.Connect();
        FAIL() << "connected";
    } catch (const EFtpReplyError& e) {
        EXPECT_EQ(e.ErrorCode(), 530);
        EXPECT_STREQ(e.what(), "Login incorrect.");
    }
    EXPECT_THAT(statuses, ElementsAre("1 Connecting to 127.0.0.1.", "2 Connected.",
                                      "3 Disconnecting.", "4 Disconnected."));
}

TEST_F(FtpClientTest, FeaturesDecideTheExtraCommands) {
    struct Case {
        const char* name;
        std::vector<std::string> features;
        std::vector<std::pair<std::string, std::string>> replies;
        std::vector<std::string> extra;  // between FEAT and the first TYPE A
        bool utf8;
    };
    const Case cases[] = {
        {"SIZE and UTF8", {" SIZE", " UTF8"}, {}, {"OPTS UTF8 ON"}, true},
        {"UTF8 and UTF-8 NLST refused",
         {" UTF8"},
         {{"OPTS", "501 Option not understood"}},
         {"OPTS UTF8 ON", "OPTS UTF-8 NLST"},
         false},
        {"client identification", {" CLNT", " MDTM"}, {}, {"CLNT VelmUpdate 1.0"}, false},
        {"case and blanks ignored",
         {"   clnt", "  utf8 "},
         {},
         {"CLNT VelmUpdate 1.0", "OPTS UTF8 ON"},
         true},
        {"no features", {}, {}, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::ScriptedFtpServer scripted;
        scripted.features(c.features);
        for (const auto& [verb, reply] : c.replies) scripted.reply(verb, reply);
        client.Port = scripted.port();
        client.Connect();
        EXPECT_EQ(scripted.commands(),
                  joined({kUserAndPass, {"FEAT"}, c.extra, {"TYPE A", "SYST", "TYPE A"}}));
        EXPECT_EQ(client.Capabilities(), c.features);
        EXPECT_EQ(client.UsingUtf8(), c.utf8);
        client.Disconnect();
    }

    // The older spelling switches on reply 200.
    server.features({" UTF8"});
    server.on("OPTS", [](FtpSession& s, const std::string& argument) {
        s.reply(argument == "UTF-8 NLST" ? "200 Always in UTF8 mode" : "501 No");
    });
    client.Port = server.port();
    client.Connect();
    EXPECT_TRUE(client.UsingUtf8());
}

TEST_F(FtpClientTest, Utf8ControlTextIsConvertedToTheAnsiCodePage) {
    server.features({" UTF8"});
    server.listing(
        "-rw-r--r-- 1 u g 5 Mar  5 14:07 a\xC3\xA7\xC3\xA3o.txt\r\n"
        "-rw-r--r-- 1 u g 5 Mar  5 14:07 \xE4\xB8\xAD.txt\r\n"
        "-rw-r--r-- 1 u g 5 Mar  5 14:07 caf\xE9.txt\r\n");
    server.reply("CWD", "250 Pasta \xC3\xA1rvore");
    client.Connect();
    ASSERT_TRUE(client.UsingUtf8());
    client.ChangeDir("\xE1rvore");  // "árvore" in Windows-1252
    EXPECT_EQ(server.commands().back(), "CWD \xC3\xA1rvore");
    EXPECT_EQ(client.LastCmdResult().Text.front(), "Pasta \xE1rvore");
    client.List(nullptr, "", true);
    EXPECT_EQ(client.DirectoryListing()[0].FileName, "a\xE7\xE3o.txt");
    // A name the code page cannot hold, or one that is not UTF-8, stays as sent
    // instead of failing the whole listing.
    EXPECT_EQ(client.DirectoryListing()[1].FileName, "\xE4\xB8\xAD.txt");
    EXPECT_EQ(client.DirectoryListing()[2].FileName, "caf\xE9.txt");
}

TEST_F(FtpClientTest, PretAndSiteZoneWhenTheServerCallsForThem) {
    server.greeting("220 Serv-U FTP Server v6.4 for WinSock ready...");
    server.features({" PRET", " SIZE"});
    server.reply("SITE", "210 UTC-180");
    connectAndList();
    EXPECT_EQ(server.commands(),
              joined({kUserAndPass,
                      {"FEAT", "TYPE A", "SYST", "SITE ZONE", "TYPE A", "TYPE I", "CWD quorixsenha",
                       "TYPE A", "PRET LIST", "PASV", "LIST", "TYPE I"}}));
    EXPECT_EQ(client.ServerTimeZone(), -180);
}

TEST_F(FtpClientTest, SiteZoneFromTheFeatureList) {
    server.features({" SITE CHMOD;ZONE"});
    client.Connect();
    EXPECT_EQ(server.commands(),
              joined({kUserAndPass, {"FEAT", "TYPE A", "SYST", "SITE ZONE", "TYPE A"}}));
    EXPECT_EQ(client.ServerTimeZone(), std::nullopt);  // the default answer is no 210
}

TEST_F(FtpClientTest, ListingAnswered450IsEmptyAndAborted) {
    server.reply("LIST", "450 No files found");
    connectAndList();
    EXPECT_TRUE(lines.empty());
    EXPECT_TRUE(client.ListResult().empty());
    EXPECT_EQ(client.DirectoryListing().Count(), 0);
    EXPECT_EQ(statuses.back(), "8 Transfer aborted");
    EXPECT_THAT(work, ElementsAre());
    EXPECT_EQ(server.commands(),
              loginThen({"TYPE I", "CWD quorixsenha", "TYPE A", "PASV", "LIST", "TYPE I"}));
    EXPECT_EQ(client.TransferType(), ftBinary);
}

TEST_F(FtpClientTest, ListingKeepsRawLinesAndParsesOnFirstRead) {
    server.listing("total 8\r\n" + kListing);
    connectAndList();
    EXPECT_EQ(lines.size(), 3u);  // the total line too; the final line break ends the last line
    EXPECT_EQ(client.DirectoryListing().Count(), 2);

    // Empty lines make no entry and are not kept.
    server.listing("a\r\n\r\nb\nc\rd\n\n\r\r");
    client.List(&lines, "-la", false);
    EXPECT_THAT(lines, ElementsAre("a", "b", "c", "d"));
    EXPECT_EQ(client.ListResult(), lines);
    EXPECT_EQ(server.commands().end()[-2], "NLST -la");
    EXPECT_EQ(client.DirectoryListing().Count(), 4);
}

TEST_F(FtpClientTest, InvalidListingDateRaisesOnFirstReadOnly) {
    server.listing(
        "-rw-r--r-- 1 u g 10 Mar  5 14:07 good\r\n-rw-r--r-- 1 u g 10 Mar 32 14:07 bad\r\n");
    connectAndList();
    EXPECT_THROW(client.DirectoryListing(), EFtpListingError);
    EXPECT_EQ(client.DirectoryListing().Count(), 1);
}

TEST_F(FtpClientTest, SizeReplies) {
    struct Case {
        const char* reply;
        std::int64_t size;
    };
    for (const Case c : {Case{"213 1024", 1024}, Case{"550 No such file", -1},
                         Case{"213 9000000000", 9000000000LL}, Case{"213 1024 bytes", -1},
                         Case{"213 size 77", 77}, Case{"213 big", -1}, Case{"500 SIZE?", -1}}) {
        SCOPED_TRACE(c.reply);
        test::ScriptedFtpServer scripted;
        scripted.reply("SIZE", c.reply);
        client.Port = scripted.port();
        client.Connect();
        client.SetTransferType(ftBinary);
        EXPECT_EQ(client.Size("a.exe"), c.size);
        client.Disconnect();
    }
}

TEST_F(FtpClientTest, SizeAsksInBinaryAndSwitchesBack) {
    client.Connect();
    EXPECT_EQ(client.Size("b.dll"), 12);
    const std::vector<std::string> all = server.commands();
    EXPECT_THAT(std::vector<std::string>(all.end() - 3, all.end()),
                ElementsAre("TYPE I", "SIZE b.dll", "TYPE A"));
    EXPECT_EQ(client.TransferType(), ftASCII);
}

TEST_F(FtpClientTest, GetReplacesAnExistingFileAndNeedsPermissionToDoSo) {
    test::writeFileBytes(folder.path() / "b.dll", "old contents, longer than the new");
    client.Connect();
    EXPECT_THROW(
        {
            try {
                client.Get("b.dll", local("b.dll"), false, false);
            } catch (const EFtpFileAlreadyExists& e) {
                EXPECT_STREQ(e.what(), "Destination file already exists.");
                throw;
            }
        },
        EFtpFileAlreadyExists);
    EXPECT_EQ(server.commands().back(), "TYPE A");  // nothing was fetched

    client.Get("b.dll", local("b.dll"), true, false);
    EXPECT_EQ(test::readFileBytes(folder.path() / "b.dll"), "twelve bytes");
    client.Get("a.exe", local("new.exe"), false, false);
    EXPECT_EQ(test::readFileBytes(folder.path() / "new.exe"), pattern(100000));
    EXPECT_THAT(folderEntries(folder.path()), ElementsAre("b.dll", "new.exe"));
}

// A download that fails leaves the previous local file exactly as it was and
// no temporary file behind. Its error is the server's final reply when one
// comes, the data side's otherwise.
TEST_F(FtpClientTest, FailedDownloadKeepsThePreviousFile) {
    const std::string half = pattern(50000);
    struct Case {
        const char* name;
        test::ScriptedFtpServer::Handler retr;
        const char* lastStatus;
        const char* error;
        bool needsReset = false;
    };
    // 150 and half the file; then the data connection closed or, once the
    // client has it all, reset; then the final reply, or (none) the control
    // connection closed.
    const auto halfThen = [half](bool resetData, const char* finalReply) {
        return [=](FtpSession& s, const std::string&) {
            s.reply("150 Opening BINARY mode data connection");
            TcpSocket data = s.openData();
            data.write(half.data(), half.size(), 5000);
            if (resetData) s.waitForRelease(kHoldCapMs);
            resetData ? data.abort() : data.close();
            finalReply ? s.reply(finalReply) : s.drop();
        };
    };
    const Case cases[] = {
        {"data connection closed midway, 426",
         halfThen(false, "426 Connection closed; transfer aborted."),
         "7 Transfer complete",  // the data ended cleanly; the final reply tells otherwise
         "Connection closed; transfer aborted."},
        {"data connection reset midway", halfThen(true, "426 Connection reset; transfer aborted."),
         "8 Transfer aborted", "Connection reset; transfer aborted.", true},
        {"data connection reset, then the control connection closed", halfThen(true, nullptr),
         "4 Disconnected.",
         "Reading failed: An existing connection was forcibly closed by the remote host.", true},
        {"control connection dropped midway", halfThen(false, nullptr), "4 Disconnected.",
         "Connection Closed Gracefully."},
        {"file refused",
         [](FtpSession& s, const std::string&) { s.reply("550 Permission denied"); },
         "8 Transfer aborted", "Permission denied"},
        {"file busy", [](FtpSession& s, const std::string&) { s.reply("450 File busy"); },
         "8 Transfer aborted", "File busy"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.needsReset && !resetsReachThePeer()) continue;
        test::writeFileBytes(folder.path() / "a.exe", "the working copy");
        test::ScriptedFtpServer scripted;
        scripted.on("RETR", c.retr);
        releaseWhenReceived = {&scripted, static_cast<std::int64_t>(half.size())};
        client.Port = scripted.port();
        client.Connect();
        EXPECT_EQ(errorText([&] { client.Get("a.exe", local("a.exe"), true, false); }), c.error);
        EXPECT_EQ(test::readFileBytes(folder.path() / "a.exe"), "the working copy");
        EXPECT_THAT(folderEntries(folder.path()), ElementsAre("a.exe"));
        EXPECT_EQ(statuses.back(), c.lastStatus);
        client.Disconnect();
    }
}

TEST_F(FtpClientTest, DownloadIntoAStreamAndResumed) {
    client.Connect();
    std::ostringstream whole;
    client.Get("a.exe", whole, false);
    EXPECT_EQ(whole.str(), pattern(100000));

    // Resuming asks once per connection whether the server restarts transfers.
    std::ostringstream partial;
    partial << pattern(100000).substr(0, 4000);
    client.Get("a.exe", partial, true);
    EXPECT_EQ(partial.str(), pattern(100000));

    test::writeFileBytes(folder.path() / "a.exe", pattern(100000).substr(0, 70000));
    client.Get("a.exe", local("a.exe"), false, true);
    EXPECT_EQ(test::readFileBytes(folder.path() / "a.exe"), pattern(100000));
    EXPECT_THAT(folderEntries(folder.path()), ElementsAre("a.exe"));

    EXPECT_THAT(commandsAfterLogin(),
                ElementsAre("PASV", "RETR a.exe", "REST 1", "REST 0", "PASV", "REST 4000",
                            "RETR a.exe", "PASV", "REST 70000", "RETR a.exe"));
}

// A server that answers a small file with endless data fills no disk: the
// download stops as soon as more arrives than the size it was given, and the
// session goes on. Exactly that size, or no size at all, is no fault.
TEST_F(FtpClientTest, DownloadStopsOnceMoreArrivesThanTheAnnouncedSize) {
    constexpr std::int64_t kEndless = 64 << 20;
    std::atomic<std::int64_t> sent{0};
    server.on("RETR", [&](FtpSession& s, const std::string& name) {
        s.reply("150 Opening BINARY mode data connection");
        if (name == "a.exe") {
            sent = s.sendEndlessly(kEndless);
            return s.reply("426 Connection closed; transfer aborted.");
        }
        bool found = false;
        s.sendData(s.server().fileContent(name, found));
        s.reply("226 Transfer complete");
    });
    client.Connect();
    std::ostringstream endless;
    EXPECT_EQ(errorText([&] { client.Get("a.exe", endless, false, 100000); }),
              "The server sent more than the 100000 bytes it announced for a.exe.");
    EXPECT_LE(endless.str().size(), 100000u) << "nothing beyond the size is written";
    EXPECT_LT(sent, kEndless / 2) << "the client stopped receiving";
    EXPECT_TRUE(client.Connected());

    for (const std::int64_t announced : {std::int64_t{12}, std::int64_t{-1}}) {
        std::ostringstream exact;
        client.Get("b.dll", exact, false, announced);
        EXPECT_EQ(exact.str(), "twelve bytes");
    }
    std::ostringstream shorter;
    EXPECT_EQ(errorText([&] { client.Get("b.dll", shorter, false, 11); }),
              "The server sent more than the 11 bytes it announced for b.dll.");
    EXPECT_EQ(client.Size("b.dll"), 12) << "the next command gets its own reply";
}

TEST_F(FtpClientTest, ResumeNeedsTheServersSupport) {
    server.reply("REST", "502 Command not implemented");
    test::writeFileBytes(folder.path() / "a.exe", "partial");
    client.Connect();
    EXPECT_THROW(client.Get("a.exe", local("a.exe"), false, true), EFtpFileAlreadyExists);
    EXPECT_EQ(test::readFileBytes(folder.path() / "a.exe"), "partial");
}

TEST_F(FtpClientClockTest, ActiveTransferThatTheServerNeverConnects) {
    client.Passive = false;
    client.ListenTimeout = 300;
    releaseWhenAborted = &server;
    server.on("RETR", [this](FtpSession& s, const std::string&) {
        s.reply("150 Opening BINARY mode data connection");
        holdWhileTheClockRuns(s);  // until the client has given up
        s.reply("425 Can't open data connection.");
    });
    client.Connect();
    EXPECT_EQ(errorText([&] { client.Get("a.exe", local("a.exe"), true, false); }),
              "Accept timed out.");
    EXPECT_EQ(statuses.back(), "8 Transfer aborted");
    EXPECT_THAT(folderEntries(folder.path()), ElementsAre());
    // The late 425 was taken by the failed transfer: the next command gets its own reply.
    EXPECT_EQ(client.Size("b.dll"), 12);

    // Neither answers nor connects.
    server.on("RETR", [this](FtpSession& s, const std::string&) { holdWhileTheClockRuns(s); });
    EXPECT_THROW(client.Get("a.exe", local("a.exe"), true, false), SocketTimeout);
}

TEST_F(FtpClientTest, ServerClosingTheControlConnection) {
    server.on("CWD", [](FtpSession& s, const std::string&) { s.drop(); });
    client.Connect();
    statuses.clear();
    try {
        client.ChangeDir("quorixsenha");
        FAIL() << "changed directory";
    } catch (const EFtpConnectionClosed& e) {
        EXPECT_STREQ(e.what(), "Connection Closed Gracefully.");
    }
    EXPECT_THAT(statuses, ElementsAre("4 Disconnected."));
    EXPECT_FALSE(client.Connected());
    try {
        client.Size("a.exe");
        FAIL() << "sized";
    } catch (const FtpError& e) {
        EXPECT_STREQ(e.what(), "Not Connected");
    }
    client.Disconnect();  // nothing left to close: no QUIT, no status
    EXPECT_THAT(statuses, ElementsAre("4 Disconnected."));
    EXPECT_EQ(server.commands().back(), "CWD quorixsenha");

    // A connection closed while idle is noticed by Connected(), and can be made again.
    server.on("CWD", [](FtpSession& s, const std::string&) {
        s.reply("250 OK");
        s.drop();
    });
    client.Connect();
    client.ChangeDir("x");
    ASSERT_TRUE(server.waitForSessionsToEnd());
    statuses.clear();
    EXPECT_FALSE(client.Connected());
    EXPECT_THAT(statuses, ElementsAre("4 Disconnected."));
    client.Connect();
    EXPECT_TRUE(client.Connected());
}

// A refused command raises the server's text with its code; 421 also closes
// the connection at once (no QUIT), any other refusal keeps it.
TEST_F(FtpClientTest, RefusedCommands) {
    struct Case {
        const char* reply;
        const char* message;
        int code;
        bool keepsConnection;
    };
    const Case cases[] = {
        {"421 Service not available, closing control connection.",
         "Service not available, closing control connection.", 421, false},
        {"550 quorixsenha: No such file or directory", "quorixsenha: No such file or directory",
         550, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply);
        test::ScriptedFtpServer scripted;
        scripted.reply("CWD", c.reply);
        scripted.file("b.dll", "twelve bytes");
        client.Port = scripted.port();
        client.Connect();
        statuses.clear();
        EXPECT_EQ(errorText([&] { client.ChangeDir("quorixsenha"); }), c.message);
        EXPECT_EQ(client.LastCmdResult().NumericCode, c.code);
        EXPECT_EQ(client.Connected(), c.keepsConnection);
        if (c.keepsConnection) {
            EXPECT_EQ(client.Size("b.dll"), 12);
        }
        client.Disconnect();
        ASSERT_TRUE(scripted.waitForSessionsToEnd());
        EXPECT_EQ(scripted.commands().back(), c.keepsConnection ? "QUIT" : "CWD quorixsenha");
        EXPECT_THAT(statuses, ElementsAre("3 Disconnecting.", "4 Disconnected."));
    }

    client.Port = server.port();
    client.Connect();
    for (const char* accepted : {"200 OK", "257 \"/x\" is current", "250 OK"}) {
        server.reply("CWD", accepted);
        EXPECT_EQ(errorText([&] { client.ChangeDir("x"); }), "no error") << accepted;
    }
}

TEST_F(FtpClientTest, OverlongLinesAreRefused) {
    server.on("SYST", [](FtpSession& s, const std::string&) {
        s.sendRaw("215 " + std::string(200000, 'x'));  // and never a line break
    });
    EXPECT_THROW(client.Connect(), FtpError);
    EXPECT_FALSE(client.Connected());

    // A listing line without end: the transfer fails, the connection stays usable.
    server.reply("SYST", "215 UNIX Type: L8");
    server.listing(kListing + std::string(3 * 65536, 'y'));
    client.Connect();
    EXPECT_THROW(client.List(&lines, "", true), FtpError);
    EXPECT_EQ(statuses.back(), "8 Transfer aborted");
    EXPECT_EQ(client.TransferType(), ftASCII);
    EXPECT_EQ(client.Size("b.dll"), 12);
}

// Every wait ends: in the limit set, or in SilenceLimit where the limit is 0
// or -1 (the window's settings), with the usual time-out error.
TEST_F(FtpClientClockTest, TimeLimits) {
    const test::ScriptedFtpServer::Handler lateReply = [this](FtpSession& s, const std::string&) {
        holdWhileTheClockRuns(s);
        s.reply("250 Late");
    };
    const test::ScriptedFtpServer::Handler stalledData = [this](FtpSession& s, const std::string&) {
        s.reply("150 Opening");
        TcpSocket data = s.openData();
        data.write("abc", 3, 1000);
        holdWhileTheClockRuns(s);
        s.reply("426 Too slow");
    };
    const test::ScriptedFtpServer::Handler neverConnects = [this](FtpSession& s,
                                                                  const std::string&) {
        s.reply("150 Opening");
        holdWhileTheClockRuns(s);
        s.reply("425 Can't open data connection.");
    };
    struct Case {
        const char* name;
        int readTimeout, transferTimeout, listenTimeout;
        bool passive;
        const char* verb;  // CWD: ChangeDir; RETR: Get
        test::ScriptedFtpServer::Handler handler;
        const char* error;
        int finalReply;  // taken by the failed transfer
    };
    const Case cases[] = {
        {"reply later than ReadTimeout", 200, 0, 10000, true, "CWD", lateReply, "Read timed out.",
         0},
        {"no reply, ReadTimeout 0", 0, 0, 10000, true, "CWD", lateReply, "Read timed out.", 0},
        {"no reply, ReadTimeout -1", -1, 0, 10000, true, "CWD", lateReply, "Read timed out.", 0},
        {"data stalls beyond TransferTimeout", 10000, 200, 10000, true, "RETR", stalledData,
         "Read timed out.", 426},
        {"data stalls, TransferTimeout 0", 10000, 0, 10000, true, "RETR", stalledData,
         "Read timed out.", 426},
        {"server never connects, ListenTimeout 0", 10000, 0, 0, false, "RETR", neverConnects,
         "Accept timed out.", 425},
    };
    client.SilenceLimit = 300;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::ScriptedFtpServer scripted;
        scripted.on(c.verb, c.handler);
        releaseWhenAborted = &scripted;
        client.Port = scripted.port();
        client.ReadTimeout = c.readTimeout;
        client.TransferTimeout = c.transferTimeout;
        client.ListenTimeout = c.listenTimeout;
        client.Passive = c.passive;
        client.Connect();
        EXPECT_EQ(errorText([&] {
                      if (std::string(c.verb) == "CWD")
                          client.ChangeDir("slow");
                      else
                          client.Get("a.exe", local("a.exe"), true, false);
                  }),
                  c.error);
        scripted.release();
        EXPECT_THAT(folderEntries(folder.path()), ElementsAre());
        if (c.finalReply != 0) {
            EXPECT_EQ(client.LastCmdResult().NumericCode, c.finalReply);
        }
        client.Disconnect();
        releaseWhenAborted = nullptr;
    }
}

// Empty lines belong to the reply they precede: they count against its size,
// and its time limit runs from the command, not from the last line.
TEST_F(FtpClientClockTest, EmptyLinesDoNotStretchAReply) {
    struct Case {
        const char* name;
        int readTimeout;
        test::ScriptedFtpServer::Handler user;
        const char* error;
    };
    const Case cases[] = {
        {"a flood", 10000,
         [](FtpSession& s, const std::string&) {
             std::string burst;
             for (int i = 0; i < 32 * 1024; ++i) burst += "\r\n";
             for (int i = 0; i < 64 && s.open(); ++i) s.sendRaw(burst);  // 4 MiB
             s.reply("331 Password required");
         },
         "The server sent a reply longer than 1048576 characters."},
        {"a trickle", 300,
         [this](FtpSession& s, const std::string&) {
             for (int i = 0; i < kHoldCapMs && s.open() && !s.waitForRelease(1); ++i) {
                 s.sendRaw("\r\n");
                 steady.advance(20ms);
             }
             s.reply("331 Password required");
         },
         "Read timed out."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::ScriptedFtpServer scripted;
        scripted.on("USER", c.user);
        client.Port = scripted.port();
        client.ReadTimeout = c.readTimeout;
        EXPECT_EQ(errorText([&] { client.Connect(); }), c.error);
        EXPECT_FALSE(client.Connected());
    }
}

// The waits for the final reply of a broken transfer and for the reply to
// QUIT are bounded for the whole reply, not only for its first bytes.
TEST_F(FtpClientClockTest, BoundedWaitsEndWithinAReplyCutShort) {
    client.ReadTimeout = 60000;  // far beyond the bounded waits
    client.TransferTimeout = 300;
    releaseWhenAborted = &server;
    std::atomic<int> heldToTheCap{0};
    server.on("RETR", [this, &heldToTheCap](FtpSession& s, const std::string&) {
        s.reply("150 Opening BINARY mode data connection");
        TcpSocket data = s.openData();
        data.write("abc", 3, 1000);
        holdWhileTheClockRuns(s);  // until the client has given up on the data
        s.sendRaw("426 Failure wri");
        if (!holdWhileTheClockRuns(s)) ++heldToTheCap;
        s.sendRaw("ting to network stream.\r\n");
    });
    client.Connect();
    // The server's reply never came whole: the data side's error stands.
    EXPECT_EQ(errorText([&] { client.Get("a.exe", local("a.exe"), true, false); }),
              "Read timed out.");
    EXPECT_THAT(statuses, ::testing::Contains("8 Transfer aborted"));
    EXPECT_FALSE(client.Connected()) << "the rest of that reply would answer the next command";
    releaseWhenAborted = nullptr;
    client.Disconnect();
    server.release();

    test::ScriptedFtpServer quitting;
    quitting.on("QUIT", [this, &heldToTheCap](FtpSession& s, const std::string&) {
        s.sendRaw("221 Goodb");
        if (!holdWhileTheClockRuns(s)) ++heldToTheCap;
        s.drop();
    });
    client.Port = quitting.port();
    client.Connect();
    statuses.clear();
    client.Disconnect();
    EXPECT_THAT(statuses, ElementsAre("3 Disconnecting.", "4 Disconnected."));
    quitting.release();
    ASSERT_TRUE(quitting.waitForSessionsToEnd());
    ASSERT_TRUE(server.waitForSessionsToEnd());
    EXPECT_EQ(heldToTheCap, 0);  // the client gave up while the server still held the reply back
}

// Active mode takes the data connection only from the server's address;
// another host that reaches the port is turned away and the wait goes on.
TEST_F(FtpClientClockTest, ActiveModeAcceptsOnlyTheServer) {
    // Another host connects to the client's port and offers its own data. The
    // client may turn it away at any moment, even before it has written.
    const auto intrude = [](FtpSession& s) {
        TcpSocket other;
        try {
            other = TcpSocket::connect(s.activeAddress.host, s.activeAddress.port, 0, "127.0.0.2");
            other.write("intruder", 8, 5000);
        } catch (const SocketError&) {
        }
        return other;
    };
    // RETR: another host connects to the client, then the server (before or
    // after its 150) delivers the file, or never connects.
    const auto retr = [this, intrude](bool beforeReply, bool serverConnects) {
        return [=, this](FtpSession& s, const std::string&) {
            TcpSocket other, data;
            const auto connect = [&] {
                other = intrude(s);
                if (serverConnects) data = s.openData();
            };
            if (beforeReply) connect();
            s.reply("150 Opening BINARY mode data connection");
            if (!beforeReply) connect();
            if (!serverConnects) {
                holdWhileTheClockRuns(s);
                return s.reply("425 Can't open data connection.");
            }
            data.write("twelve bytes", 12, 5000);
            data.close();
            s.reply("226 Transfer complete");
        };
    };
    struct Case {
        const char* name;
        test::ScriptedFtpServer::Handler retr;
        const char* error;
    };
    const Case cases[] = {
        {"another host first, before the reply", retr(true, true), "no error"},
        {"another host first, after the reply", retr(false, true), "no error"},
        {"only another host", retr(false, false), "Accept timed out."},
    };
    client.Passive = false;
    client.ListenTimeout = 500;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::ScriptedFtpServer scripted;
        scripted.on("RETR", c.retr);
        releaseWhenAborted = &scripted;
        client.Port = scripted.port();
        client.Connect();
        EXPECT_EQ(errorText([&] { client.Get("b.dll", local("b.dll"), true, false); }), c.error);
        if (std::string(c.error) == "no error") {
            EXPECT_EQ(test::readFileBytes(folder.path() / "b.dll"), "twelve bytes");
        }
        scripted.release();
        client.Disconnect();
        releaseWhenAborted = nullptr;
    }
}

// A listing is bounded in bytes and in lines; empty lines cost bytes only.
TEST_F(FtpClientTest, ListingsAreBounded) {
    const std::string line = "-rw-r--r-- 1 u g 1 Mar  5 14:07 a\r\n";
    struct Case {
        const char* name;
        std::string listing;
        const char* error;
        std::size_t lines;  // kept, when listed
    };
    const Case cases[] = {
        {"empty lines within the size", line + std::string(60000, '\n') + line, "no error", 2},
        {"as many lines as allowed", line + line + line, "no error", 3},
        {"empty lines beyond the size", line + std::string(200000, '\n'),
         "The server sent a listing longer than 65536 bytes.", 0},
        {"one line too many", line + line + line + line,
         "The server sent a listing of more than 3 lines.", 0},
    };
    client.MaxListingSize = 64 * 1024;
    client.MaxListingLines = 3;
    client.Connect();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.listing(c.listing);
        lines.clear();
        EXPECT_EQ(errorText([&] { client.List(&lines, "", true); }), c.error);
        EXPECT_EQ(lines.size(), c.lines);
        EXPECT_EQ(client.ListResult().size(), c.lines);
        if (std::string(c.error) != "no error") {
            EXPECT_EQ(statuses.back(), "8 Transfer aborted");
        }
        EXPECT_EQ(client.Size("b.dll"), 12);  // the connection goes on
    }
}

TEST_F(FtpClientTest, ClientChecks) {
    TFtpClient idle;
    EXPECT_EQ(errorText([&] { idle.Connect(); }), "A Host is required");
    idle.Host = "127.0.0.1";
    idle.Port = 0;
    EXPECT_EQ(errorText([&] { idle.Connect(); }), "A Port is required");
    EXPECT_EQ(errorText([&] { idle.ChangeDir("x"); }), "Not Connected");
    EXPECT_EQ(errorText([&] { idle.List(nullptr, "", true); }), "Not Connected");
    EXPECT_EQ(errorText([&] { idle.Get("a", local("a"), true, false); }), "Not Connected");
    EXPECT_EQ(errorText([&] { idle.SetTransferType(static_cast<TFtpTransferType>(7)); }),
              "Unsupported transfer type.");
    idle.SetTransferType(ftBinary);  // not connected: only the value changes
    EXPECT_EQ(idle.TransferType(), ftBinary);
    EXPECT_FALSE(idle.Connected());
    idle.Disconnect();

    client.Connect();
    EXPECT_EQ(errorText([&] { client.Connect(); }), "Already connected.");
    client.SetTransferType(ftBinary);
    client.SetTransferType(ftBinary);  // unchanged: nothing sent
    server.reply("TYPE", "504 Type not supported");
    EXPECT_THROW(client.SetTransferType(ftASCII), EFtpReplyError);
    EXPECT_EQ(client.TransferType(), ftBinary);
    EXPECT_THAT(commandsAfterLogin(), ElementsAre("TYPE I", "TYPE A"));
}

TEST_F(FtpClientTest, RefusedConnection) {
    const std::uint16_t closed = TcpListener::listen("127.0.0.1", 0, 0).localAddress().port;
    client.Port = closed;
    try {
        client.Connect();
        FAIL() << "connected";
    } catch (const SocketError& e) {
        EXPECT_EQ(e.code(), SocketError::kConnectionRefused);
    }
    EXPECT_FALSE(client.Connected());
}

// The caller must be able to tell a refused listing from an empty folder.
TEST_F(FtpClientTest, ListReturnsTheRefusalOfARefusedListingOnly) {
    struct Row {
        const char* reason;
        const char* listing;
        const char* listReply;  // null: the listing is delivered
        std::optional<int> refused;
    };
    const Row rows[] = {
        {"refused with 450", "", "450 No files found", 450},
        {"an empty listing, delivered", "", nullptr, std::nullopt},
        {"a listing, delivered", "-rw-r--r--   1 o g  5 Jan 05  2023 a.exe\r\n", nullptr,
         std::nullopt},
    };
    client.Connect();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reason);
        server.listing(row.listing);
        if (row.listReply)
            server.reply("LIST", row.listReply);
        else
            server.on("LIST", nullptr);
        const std::optional<FtpReply> refusal = client.List(&lines, "", true);
        EXPECT_EQ(refusal ? std::optional(refusal->NumericCode) : std::nullopt, row.refused);
        if (refusal) {
            EXPECT_EQ(refusal->joinedText(), "No files found");
        }
    }
}

}  // namespace
}  // namespace velm

namespace velm {
namespace {

// The default answers of the scripted server, for handlers that watch what
// arrived before answering.
void answerSize(FtpSession& s, const std::string& name) {
    bool found = false;
    const std::string content = s.server().fileContent(name, found);
    s.reply(found ? "213 " + std::to_string(content.size()) : "550 No such file");
}

void answerPasv(FtpSession& s, std::uint16_t announcedPort = 0) {
    s.passiveListener = TcpListener::listen(s.localHost(), 0, 0);
    const std::uint16_t port =
        announcedPort != 0 ? announcedPort : s.passiveListener.localAddress().port;
    s.reply("227 Entering Passive Mode (127,0,0,1," + std::to_string(port >> 8) + "," +
            std::to_string(port & 0xFF) + ").");
}

std::vector<std::string> sizeCommands(const std::vector<std::string>& names) {
    std::vector<std::string> out;
    for (const std::string& name : names) out.push_back("SIZE " + name);
    return out;
}

// Size queries go out ahead, many at a time, and every answer reaches the
// file it belongs to. The clock stands still: no limit can run out.
TEST_F(FtpClientClockTest, SizeQueriesTravelTogetherAndAnswerInOrder) {
    std::vector<std::string> names;
    std::vector<std::int64_t> expected;
    for (int i = 0; i < 450; ++i) {
        names.push_back("f" + std::to_string(i) + ".bin");
        if (i % 7 == 3) {
            expected.push_back(-1);  // not on the server
        } else {
            server.file(names.back(), std::string(static_cast<std::size_t>(i * 3), 'x'));
            expected.push_back(i * 3);
        }
    }
    std::atomic<int> followed{0};  // queries whose next command had arrived already
    server.on("SIZE", [&followed](FtpSession& s, const std::string& name) {
        if (s.waitForCommand(0)) ++followed;
        answerSize(s, name);
    });
    client.Connect();
    client.SetTransferType(ftBinary);
    for (const std::string& name : names) client.QueueSize(name);
    std::vector<std::int64_t> answers;
    for (const std::string& name : names) answers.push_back(client.TakeSize(name));

    EXPECT_EQ(answers, expected);
    EXPECT_EQ(client.CommandsInFlight(), TFtpClient::Pipelining::Works);
    EXPECT_EQ(commandsAfterLogin(), joined({{"TYPE I"}, sizeCommands(names)}));
    EXPECT_GT(followed, 400) << "the queries travelled together";

    // An answer is only ever given to the file it belongs to.
    client.QueueSize("b.dll");
    EXPECT_EQ(errorText([&] { client.TakeSize("a.exe"); }),
              "The next size answer is not for a.exe.");
    EXPECT_EQ(client.TakeSize("b.dll"), 12);
    EXPECT_EQ(errorText([&] { client.TakeSize("a.exe"); }), "No size query is queued for a.exe.");
}

// While files come down, the size queries stay a window ahead of them: the
// answers read with a PASV's reply still count as asked, and after the
// first window the next queries go out right after each transfer's final
// reply, a couple at a time, for the server to answer while the file is
// being finished, not in a batch ahead of the next file's PASV.
TEST_F(FtpClientClockTest, SizeQueriesStayAWindowAheadOfTheDownloads) {
    std::vector<std::string> names;
    for (int i = 0; i < 450; ++i) {
        names.push_back("g" + std::to_string(i) + ".bin");
        server.file(names.back(), std::string(static_cast<std::size_t>(i % 50), 'y'));
    }
    client.Connect();
    client.SetTransferType(ftBinary);
    for (const std::string& name : names) client.QueueSize(name);
    for (std::size_t i = 0; i < names.size(); ++i) {
        ASSERT_EQ(client.TakeSize(names[i]), static_cast<std::int64_t>(i % 50));
        client.Get(names[i], local(names[i]), true, false);
    }
    EXPECT_EQ(client.CommandsInFlight(), TFtpClient::Pipelining::Works);

    // A window of 200 queries: far enough ahead to cover a slow link's
    // round trips, near enough that a server's queue stays small.
    constexpr std::size_t kWindow = 200;
    std::size_t sized = 0, fetched = 0, sizedSinceLastFetch = 0, furthestAhead = 0;
    for (const std::string& command : commandsAfterLogin()) {
        if (command.rfind("SIZE ", 0) == 0) {
            ++sized;
            ++sizedSinceLastFetch;
        } else if (command.rfind("RETR ", 0) == 0) {
            ++fetched;
            EXPECT_LE(sized, fetched + kWindow) << "asked too far ahead at " << command;
            furthestAhead = std::max(furthestAhead, sized - fetched);
            // The first window goes out once the first two answers have
            // shown that the server takes queries in flight.
            if (fetched > 2 && sized < names.size()) {
                EXPECT_LE(sizedSinceLastFetch, 2u) << "a batch ahead of " << command;
            }
            sizedSinceLastFetch = 0;
        }
    }
    EXPECT_GE(furthestAhead, kWindow - 2) << "the window is used, not one query at a time";
    EXPECT_EQ(sized, names.size());
    EXPECT_EQ(fetched, names.size());
    EXPECT_EQ(test::readFileBytes(folder.path() / "g449.bin"), std::string(449 % 50, 'y'));
}

// Once the server has shown that it takes commands in flight, RETR travels
// with its PASV; whatever fails, the RETR's own reply is read, so the next
// command gets its own answer, or the connection is closed.
TEST_F(FtpClientClockTest, RetrTravelsWithItsPasv) {
    std::atomic<int> together{0};
    std::atomic<std::uint16_t> deadPort{0};  // announced instead of the listener when set
    std::atomic<bool> refusePasv{false};
    server.on("PASV", [&](FtpSession& s, const std::string&) {
        if (s.waitForCommand(0)) ++together;
        if (refusePasv) return s.reply("425 No passive today");
        answerPasv(s, deadPort);
    });
    const auto fetch = [this] {
        return errorText([&] { client.Get("a.exe", local("a.exe"), true, false); });
    };
    client.Connect();
    client.SetTransferType(ftBinary);
    for (const char* name : {"a.exe", "b.dll"}) client.QueueSize(name);
    EXPECT_EQ(client.TakeSize("a.exe"), 100000);
    EXPECT_EQ(client.TakeSize("b.dll"), 12);

    EXPECT_EQ(fetch(), "no error");
    EXPECT_EQ(test::readFileBytes(folder.path() / "a.exe"), pattern(100000));
    EXPECT_EQ(together, 1);

    struct Case {
        const char* name;
        bool refuse;
        bool deadData;
        test::ScriptedFtpServer::Handler retr;
        const char* error;  // empty: the socket's own
        bool keepsConnection;
    };
    const test::ScriptedFtpServer::Handler outOfSequence = [](FtpSession& s, const std::string&) {
        s.reply("503 Bad sequence of commands");
    };
    const test::ScriptedFtpServer::Handler noDataConnection =
        [](FtpSession& s, const std::string&) { s.reply("425 Can't open data connection."); };
    // Like a server that cannot open the file: it refuses at once and
    // closes its passive listener, so the connect is refused as well.
    const test::ScriptedFtpServer::Handler noSuchFile = [](FtpSession& s, const std::string&) {
        s.reply("550 arq15.bin: No such file or directory");
    };
    const test::ScriptedFtpServer::Handler silent = [this](FtpSession& s, const std::string&) {
        holdWhileTheClockRuns(s);
    };
    const Case cases[] = {
        {"PASV refused", true, false, outOfSequence, "No passive today", true},
        {"data connection refused, RETR answered", false, true, noDataConnection,
         "Can't open data connection.", true},
        {"data connection refused, the file refused", false, true, noSuchFile,
         "arq15.bin: No such file or directory", true},
        {"data connection refused, RETR never answered", false, true, silent, "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        refusePasv = c.refuse;
        deadPort = c.deadData ? TcpListener::listen("127.0.0.1", 0, 0).localAddress().port : 0;
        server.on("RETR", c.retr);
        const std::string error = fetch();
        if (*c.error) {
            EXPECT_EQ(error, c.error);
        } else {
            EXPECT_NE(error, "no error");
        }
        EXPECT_EQ(client.Connected(), c.keepsConnection);
        if (c.keepsConnection) {
            EXPECT_EQ(client.Size("b.dll"), 12) << "the next command gets its own reply";
        } else {
            server.release();  // the silent RETR
        }
    }
    EXPECT_EQ(together, 5);
    EXPECT_EQ(test::readFileBytes(folder.path() / "a.exe"), pattern(100000));
}

// A server that takes the RETR sent with its PASV before the data connection
// exists and refuses it ("425 Use PORT or PASV first") does not take commands
// in flight for transfers: that file is asked again, alone, and so is every
// transfer after it.
TEST_F(FtpClientClockTest, RetrRefusedBeforeItsDataConnectionIsAskedAgainAlone) {
    std::atomic<bool> retrCameWithPasv{false};
    server.on("PASV", [&](FtpSession& s, const std::string&) {
        retrCameWithPasv = s.waitForCommand(0);
        answerPasv(s);
    });
    server.on("RETR", [&](FtpSession& s, const std::string& name) {
        if (retrCameWithPasv) return s.reply("425 Use PORT or PASV first.");
        s.reply("150 Opening BINARY mode data connection");
        bool found = false;
        s.sendData(s.server().fileContent(name, found));
        s.reply("226 Transfer complete");
    });
    client.Connect();
    client.SetTransferType(ftBinary);
    for (const char* name : {"a.exe", "b.dll"}) client.QueueSize(name);
    EXPECT_EQ(client.TakeSize("a.exe"), 100000);
    EXPECT_EQ(client.TakeSize("b.dll"), 12);
    ASSERT_EQ(client.CommandsInFlight(), TFtpClient::Pipelining::Works);

    EXPECT_EQ(errorText([&] { client.Get("a.exe", local("a.exe"), true, false); }), "no error");
    EXPECT_EQ(test::readFileBytes(folder.path() / "a.exe"), pattern(100000));
    std::ostringstream b;
    client.Get("b.dll", b, false);
    EXPECT_EQ(b.str(), "twelve bytes");
    EXPECT_EQ(client.CommandsInFlight(), TFtpClient::Pipelining::OneAtATime);
    EXPECT_EQ(commandsAfterLogin(),
              (std::vector<std::string>{"TYPE I", "SIZE a.exe", "SIZE b.dll", "PASV", "RETR a.exe",
                                        "PASV", "RETR a.exe", "PASV", "RETR b.dll"}));
    EXPECT_TRUE(client.Connected());
}

// A server that answers only the first command of what arrived, or answers
// the second one late: the client notices, sorts the replies out with a
// NOOP, and sends one command at a time for the rest of the session.
TEST_F(FtpClientClockTest, FallsBackToOneCommandAtATime) {
    struct Case {
        const char* name;
        bool drops;
        std::vector<std::string> sizeCommands;  // as the server read them
        // A late reply, followed by the NOOP's, proves that the server
        // takes commands in flight after all.
        TFtpClient::Pipelining after;
        int sentTogether;  // commands that arrived with the one before them
    };
    const Case cases[] = {
        {"drops what came with the first command",
         true,
         {"SIZE a.exe", "NOOP", "SIZE b.dll", "SIZE c.txt", "SIZE missing"},
         TFtpClient::Pipelining::OneAtATime,
         0},
        {"answers the second command late",
         false,
         {"SIZE a.exe", "SIZE b.dll", "NOOP", "SIZE c.txt", "SIZE missing"},
         TFtpClient::Pipelining::Works,
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::ScriptedFtpServer scripted;
        if (c.drops) scripted.answerOnlyFirstCommandOfEachRead();
        scripted.file("a.exe", pattern(100000));
        scripted.file("b.dll", "twelve bytes");
        scripted.file("c.txt", "c");
        // The clock runs while the client waits for the reply that does not come.
        std::atomic<int> together{0};
        scripted.on("SIZE", [this, &c, &together](FtpSession& s, const std::string& name) {
            const bool late = !c.drops && name == "b.dll" && s.index() == 0;
            if (late) runTheClockUntilTheNextCommand(s);
            if (name == "c.txt" && s.waitForCommand(0)) ++together;
            answerSize(s, name);
            if (c.drops && s.discarded() > 0 && name == "a.exe") runTheClockUntilTheNextCommand(s);
        });
        scripted.on("PASV", [&together](FtpSession& s, const std::string&) {
            if (s.waitForCommand(0)) ++together;
            answerPasv(s);
        });
        client.Port = scripted.port();
        client.SetTransferType(ftASCII);  // as a new client logs in
        client.Connect();
        client.SetTransferType(ftBinary);
        for (const char* name : {"a.exe", "b.dll", "c.txt", "missing"}) client.QueueSize(name);
        EXPECT_EQ(client.TakeSize("a.exe"), 100000);
        EXPECT_EQ(client.TakeSize("b.dll"), 12);
        EXPECT_EQ(client.TakeSize("c.txt"), 1);
        EXPECT_EQ(client.TakeSize("missing"), -1);
        EXPECT_EQ(client.CommandsInFlight(), c.after);

        // PASV and RETR go out as the session does (the dropping server would lose RETR).
        client.Get("a.exe", local("a.exe"), true, false);
        EXPECT_EQ(test::readFileBytes(folder.path() / "a.exe"), pattern(100000));
        client.Disconnect();
        ASSERT_TRUE(scripted.waitForSessionsToEnd());
        EXPECT_EQ(scripted.commands(), joined({kUserAndPass,
                                               kAfterLogin,
                                               {"TYPE I"},
                                               c.sizeCommands,
                                               {"PASV", "RETR a.exe", "QUIT"}}));
        EXPECT_EQ(scripted.sessions().size(), 1u);
        EXPECT_EQ(together, c.sentTogether);
    }
}

// Every bound holds for a reply whose command went out with others: its time
// limit (or the silence limit), its size; the session cannot be trusted
// afterwards, so the connection is closed.
TEST_F(FtpClientClockTest, BoundsHoldWithCommandsInFlight) {
    struct Case {
        const char* name;
        int readTimeout;
        test::ScriptedFtpServer::Handler third;
        const char* error;
    };
    const Case cases[] = {
        {"no reply within ReadTimeout", 200,
         [this](FtpSession& s, const std::string&) { holdWhileTheClockRuns(s); },
         "Read timed out."},
        {"no reply, ReadTimeout 0: the silence limit", 0,
         [this](FtpSession& s, const std::string&) { holdWhileTheClockRuns(s); },
         "Read timed out."},
        {"a trickle of empty lines", 300,
         [this](FtpSession& s, const std::string&) {
             for (int i = 0; i < kHoldCapMs && s.open() && !s.waitForRelease(1); ++i) {
                 s.sendRaw("\r\n");
                 steady.advance(20ms);
             }
         },
         "Read timed out."},
        {"a reply beyond the size bound", 10000,
         [](FtpSession& s, const std::string&) {
             s.sendRaw("213-" + std::string(1000, 'x') + "\r\n");
             const std::string line = std::string(1000, 'y') + "\r\n";
             for (int i = 0; i < 1100 && s.open(); ++i) s.sendRaw(line);
         },
         "The server sent a reply longer than 1048576 characters."},
    };
    client.SilenceLimit = 300;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::ScriptedFtpServer scripted;
        for (const char* name : {"a", "b", "c", "d"}) scripted.file(name, name);
        scripted.on("SIZE", [&c](FtpSession& s, const std::string& name) {
            name == "c" ? c.third(s, name) : answerSize(s, name);
        });
        client.Port = scripted.port();
        client.ReadTimeout = c.readTimeout;
        client.Connect();
        client.SetTransferType(ftBinary);
        for (const char* name : {"a", "b", "c", "d"}) client.QueueSize(name);
        EXPECT_EQ(client.TakeSize("a"), 1);
        EXPECT_EQ(client.TakeSize("b"), 1);
        EXPECT_EQ(errorText([&] { client.TakeSize("c"); }), c.error);
        EXPECT_FALSE(client.Connected());
        scripted.release();
    }
}

}  // namespace
}  // namespace velm
