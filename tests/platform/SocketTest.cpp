#include <gtest/gtest.h>

#include <thread>

#include "platform/Socket.h"

namespace velm {
namespace {

// A connected pair over 127.0.0.1.
struct Pair {
    TcpListener listener = TcpListener::listen("127.0.0.1", 0, 0);
    TcpSocket client = TcpSocket::connect("127.0.0.1", listener.localAddress().port, 2000);
    TcpSocket server = listener.accept(2000);
};

TEST(Socket, RecognisesLiteralAddresses) {
    for (const char* yes : {"127.0.0.1", "0.0.0.0", "255.255.255.255", "10.0.0.01"})
        EXPECT_TRUE(isIpv4Literal(yes)) << yes;
    for (const char* no : {"", "localhost", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1.2.3.4 ", "1..2.3",
                           "1.2.3.4a", "::1", "1234.1.1.1"})
        EXPECT_FALSE(isIpv4Literal(no)) << no;
}

TEST(Socket, ResolvesNames) {
    EXPECT_EQ(resolveHost("127.0.0.1"), "127.0.0.1");
    EXPECT_EQ(resolveHost("localhost"), "127.0.0.1");
    try {
        resolveHost("no-such-host.invalid");
        FAIL() << "resolved";
    } catch (const SocketError& e) {
        EXPECT_GE(e.code(), 11001u);
        EXPECT_LE(e.code(), 11004u);
    }
}

TEST(Socket, CarriesDataBothWaysAndReportsTheClose) {
    Pair p;
    EXPECT_EQ(p.client.peerAddress().port, p.listener.localAddress().port);
    EXPECT_EQ(p.server.peerAddress().port, p.client.localAddress().port);
    EXPECT_EQ(p.client.localAddress().host, "127.0.0.1");

    const std::string big(1 << 20, 'b');  // more than the buffers hold: write must loop
    std::thread writer([&] { p.client.write(big.data(), big.size(), 5000); });
    std::string received;
    char buffer[70000];
    while (received.size() < big.size()) {
        const std::size_t n = p.server.read(buffer, sizeof buffer, 5000);
        ASSERT_GT(n, 0u);
        received.append(buffer, n);
    }
    writer.join();
    EXPECT_EQ(received, big);

    EXPECT_FALSE(p.server.waitReadable(0));
    p.client.close();
    EXPECT_TRUE(p.server.waitReadable(2000));
    EXPECT_EQ(p.server.read(buffer, sizeof buffer, 2000), 0u);  // closed cleanly
}

TEST(Socket, TimeLimits) {
    Pair p;
    char buffer[16];
    try {
        p.client.read(buffer, sizeof buffer, 100);
        FAIL() << "read";
    } catch (const SocketTimeout& e) {
        EXPECT_STREQ(e.what(), "Read timed out.");
        EXPECT_EQ(e.code(), SocketError::kTimedOut);
    }
    try {
        p.listener.accept(100);
        FAIL() << "accepted";
    } catch (const SocketTimeout& e) {
        EXPECT_STREQ(e.what(), "Accept timed out.");
    }
    EXPECT_EQ(waitAnyReadable({p.listener.handle(), p.client.handle()}, 50), -1);
    p.server.write("x", 1, 0);
    EXPECT_EQ(waitAnyReadable({p.listener.handle(), p.client.handle()}, 2000), 1);
}

TEST(Socket, AbortIsSeenAsAReset) {
    Pair p;
    p.client.write("data", 4, 0);
    p.server.abort();
    EXPECT_FALSE(p.server.isOpen());
    char buffer[16];
    try {
        for (int i = 0; i < 100; ++i) {
            p.client.read(buffer, sizeof buffer, 2000);
            p.client.write("more", 4, 0);
        }
        FAIL() << "no reset";
    } catch (const SocketError& e) {
        EXPECT_TRUE(e.connectionLost()) << e.code();
    }
}

TEST(Socket, ListenerTakesTheFirstFreePortOfARange) {
    TcpListener first = TcpListener::listen("127.0.0.1", 0, 0);
    const std::uint16_t taken = first.localAddress().port;
    TcpListener next = TcpListener::listen("127.0.0.1", taken, static_cast<std::uint16_t>(taken + 20));
    EXPECT_GT(next.localAddress().port, taken);
    EXPECT_THROW(TcpListener::listen("127.0.0.1", taken, taken), SocketError);
}

TEST(Socket, ClosedSocketsRefuseWork) {
    TcpSocket none;
    char buffer[4];
    EXPECT_THROW(none.read(buffer, sizeof buffer, 0), SocketError);
    EXPECT_THROW(none.write("x", 1, 0), SocketError);
    none.close();  // harmless
    const std::uint16_t closed = TcpListener::listen("127.0.0.1", 0, 0).localAddress().port;
    try {
        TcpSocket::connect("127.0.0.1", closed, 2000);
        FAIL() << "connected";
    } catch (const SocketError& e) {
        EXPECT_EQ(e.code(), SocketError::kConnectionRefused);
    }
}

}  // namespace
}  // namespace velm
