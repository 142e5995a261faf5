#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "ftp/FtpErrors.h"
#include "ftp/FtpReply.h"

namespace velm {
namespace {

// Delivers a text in pieces of a fixed size, then the end of the connection.
class Feed {
public:
    explicit Feed(std::string text, std::size_t piece = 7) : text_(std::move(text)), piece_(piece) {}
    FtpLineReader reader() {
        return FtpLineReader([this](char* data, std::size_t size) {
            const std::size_t n = std::min({size, piece_, text_.size() - at_});
            std::memcpy(data, text_.data() + at_, n);
            at_ += n;
            return n;
        });
    }
    std::size_t consumed() const { return at_; }

private:
    std::string text_;
    std::size_t piece_;
    std::size_t at_ = 0;
};

TEST(FtpReply, ReadsSingleAndMultiLineReplies) {
    struct Case {
        const char* wire;
        int code;
        std::vector<std::string> text;
    };
    const Case cases[] = {
        {"220 Ready\r\n", 220, {"Ready"}},
        {"\r\n\r\n230 Logged in\r\n", 230, {"Logged in"}},  // empty lines are skipped
        {"200 LF only\n", 200, {"LF only"}},
        {"211-Features:\r\n SIZE\r\n UTF8\r\n211 End\r\n", 211, {"Features:", " SIZE", " UTF8", "End"}},
        // Inner lines with the code and "-" lose it; a line "211" without a blank does not end.
        {"211-a\r\n211-b\r\n211\r\n\r\n211 c\r\n", 211, {"a", "b", "211", "c"}},
        // Another code inside a multi-line reply is text.
        {"150-x\r\n226 not the end\r\n150 end\r\n", 150, {"x", "226 not the end", "end"}},
        {"421\r\n", 421, {""}},
        {"xyz garbage\r\n", 0, {"garbage"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.wire);
        Feed feed(c.wire);
        FtpLineReader reader = feed.reader();
        const auto reply = readFtpReply(reader);
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->NumericCode, c.code);
        EXPECT_EQ(reply->Text, c.text);
    }
}

TEST(FtpReply, ConsecutiveRepliesAndTheEndOfTheConnection) {
    Feed feed("120 Wait\r\n220 Ready\r\n331 Pass", 3);
    FtpLineReader reader = feed.reader();
    EXPECT_EQ(readFtpReply(reader)->NumericCode, 120);
    EXPECT_EQ(readFtpReply(reader)->NumericCode, 220);
    EXPECT_FALSE(readFtpReply(reader));  // an unfinished line at the end is no reply

    Feed unfinished("211-a\r\n b\r\n");
    FtpLineReader r2 = unfinished.reader();
    EXPECT_FALSE(readFtpReply(r2));
}

TEST(FtpReply, JoinedTextIsTheErrorMessage) {
    FtpReply reply{550, {"first", "second"}};
    EXPECT_EQ(reply.joinedText(), "first\nsecond");
}

TEST(FtpReply, LinesAreBounded) {
    // Exactly the limit passes, CR LF not counted.
    const std::string longest(FtpLineReader::kMaxLineLength - 4, 'a');
    Feed fits("200 " + longest + "\r\n", 4096);
    FtpLineReader r1 = fits.reader();
    EXPECT_EQ(readFtpReply(r1)->Text.front().size(), longest.size());

    // A server that never ends its line is stopped near the limit, not at the end of its data.
    Feed endless("200 " + std::string(10 * FtpLineReader::kMaxLineLength, 'x'), 4096);
    FtpLineReader r2 = endless.reader();
    EXPECT_THROW(readFtpReply(r2), FtpError);
    EXPECT_LT(endless.consumed(), FtpLineReader::kMaxLineLength + 8192);
}

TEST(FtpReply, MultiLineRepliesAreBounded) {
    std::string wire = "211-start\r\n";
    const std::string line = " " + std::string(1000, 'f') + "\r\n";
    while (wire.size() < 2 * kMaxReplySize) wire += line;
    Feed feed(wire + "211 End\r\n", 4096);
    FtpLineReader reader = feed.reader();
    EXPECT_THROW(readFtpReply(reader), FtpError);
    EXPECT_LT(feed.consumed(), kMaxReplySize + 8192);

    // Empty lines count too, before the first line and inside.
    for (const std::string& flood : {std::string(), std::string("211-start\r\n")}) {
        std::string blank;
        while (blank.size() < 2 * kMaxReplySize) blank += "\r\n";
        Feed empty(flood + blank + "211 End\r\n", 4096);
        FtpLineReader r = empty.reader();
        EXPECT_THROW(readFtpReply(r), FtpError) << flood;
        EXPECT_LT(empty.consumed(), kMaxReplySize + 8192);
    }
}

}  // namespace
}  // namespace velm
