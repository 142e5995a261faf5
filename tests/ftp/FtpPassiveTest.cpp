#include <gtest/gtest.h>

#include "ftp/FtpErrors.h"
#include "ftp/FtpPassive.h"

namespace velm {
namespace {

TEST(FtpPassive, ReadsTheAddressOfA227Reply) {
    struct Case {
        const char* text;
        const char* host;
        int port;
    };
    const Case cases[] = {
        {"Entering Passive Mode (192,168,1,5,19,137).", "192.168.1.5", 5001},
        {"Entering Passive Mode (127,0,0,1,0,21)", "127.0.0.1", 21},
        {"  Entering Passive Mode ( 10, 0, 0, 7, 255, 255 )  ", "10.0.0.7", 65535},
        {"Entering Passive Mode 200,1,2,3,4,1", "200.1.2.3", 1025},  // no brackets: after the last blank
        {"(1,2,3,4,5,6,7)", "1.2.3.4", 1286},  // numbers beyond the sixth are ignored
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const SocketAddress a = parsePasvReply(c.text);
        EXPECT_EQ(a.host, c.host);
        EXPECT_EQ(a.port, c.port);
    }
}

TEST(FtpPassive, RefusesMalformedAddresses) {
    for (const char* text : {"", "Entering Passive Mode", "(1,2,3,4,5)", "(1,2,3,4,5,256)",
                             "(1,2,3,,5,6)", "(a,b,c,d,e,f)", "(1,2,3,4,5,-6)",
                             "(1000,2,3,4,5,6)"}) {
        SCOPED_TRACE(text);
        EXPECT_THROW(parsePasvReply(text), FtpError);
    }
}

TEST(FtpPassive, PrivateAddressFromAPublicPeerGoesToThePeer) {
    struct Case {
        const char* reply;
        const char* peer;
        const char* chosen;
    };
    const Case cases[] = {
        {"192.168.1.5", "200.1.2.3", "200.1.2.3"},
        {"10.1.1.1", "200.1.2.3", "200.1.2.3"},
        {"127.0.0.1", "200.1.2.3", "200.1.2.3"},
        {"169.254.3.3", "200.1.2.3", "200.1.2.3"},
        {"172.16.0.1", "200.1.2.3", "200.1.2.3"},
        {"172.31.255.1", "200.1.2.3", "200.1.2.3"},
        {"172.32.0.1", "200.1.2.3", "172.32.0.1"},  // public
        {"172.15.0.1", "200.1.2.3", "172.15.0.1"},
        {"200.9.9.9", "200.1.2.3", "200.9.9.9"},    // a public address is used as given
        {"192.168.1.5", "192.168.1.1", "192.168.1.5"},  // both private: as given
        {"192.168.1.5", "127.0.0.1", "192.168.1.5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.reply) + " from " + c.peer);
        EXPECT_EQ(choosePasvHost(c.reply, c.peer), c.chosen);
    }
    const SocketAddress a = parsePasvReply("Entering Passive Mode (192,168,1,5,19,137)");
    EXPECT_EQ(choosePasvHost(a.host, "200.1.2.3"), "200.1.2.3");
    EXPECT_EQ(a.port, 5001);
}

}  // namespace
}  // namespace velm
